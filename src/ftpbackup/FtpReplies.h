#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace dc {

// What servers say on the control connection and in listings, read without
// any network: each function takes text as received and says what it means,
// or that it cannot tell (nullopt). Nothing here guesses: a line that is not
// understood is no answer, never a size or an address.

// One reply: its code and its lines (the first one with the code).
struct FtpReply {
    int code = 0;
    QStringList lines;
    // The lines on one line (for messages).
    QString text() const;
};

// Puts a reply together from its lines as they arrive ("123-first", any
// lines, "123 last"), within bounds: a reply of more than kMaxLines lines or
// kMaxBytes bytes is refused, whatever the server keeps sending.
class FtpReplyReader {
public:
    static constexpr qsizetype kMaxLineBytes = 8 * 1024;
    static constexpr int kMaxLines = 1000;
    static constexpr qsizetype kMaxBytes = 256 * 1024;

    enum class Step { More, Done, Malformed, TooLong };
    // One line without its CR LF.
    Step add(const QString& line);
    const FtpReply& reply() const { return m_reply; }
    void reset();

private:
    FtpReply m_reply;
    qsizetype m_bytes = 0;
};

// "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)", the six numbers with or
// without brackets: the port. The address is not used (the data goes to the
// server of the control connection).
std::optional<quint16> portInPasvReply(const QString& reply);
// "229 Entering Extended Passive Mode (|||6446|)", any delimiter: the port.
std::optional<quint16> portInEpsvReply(const QString& reply);

// The size fact of an MLST reply's fact line (" type=file;size=123; name"),
// for a plain file only.
std::optional<qint64> sizeInMlstReply(const QStringList& lines);

// A line of a LIST as servers send it, read: Unix "ls -l" form
// ("-rw-r--r-- 1 owner group 1234 Mar 14 10:25 name", with or without the
// group) and DOS form ("03-14-26  10:25AM  1234 name", "<DIR>" for a
// folder). Names keep their inner and trailing spaces.
struct ListingEntry {
    QString name;
    bool folder = false;
    bool file = false;  // a plain file (not a link, a device...)
    std::optional<qint64> size;
};
std::optional<ListingEntry> parseListingLine(QString line);

// The size a LIST gives for the plain file named exactly `name`; nullopt when
// no such file is listed, when it is listed more than once, or when its line
// cannot be read.
std::optional<qint64> sizeInListing(const QString& listing, const QString& name);

}  // namespace dc
