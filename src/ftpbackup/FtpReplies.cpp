#include "ftpbackup/FtpReplies.h"

namespace dc {

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool allDigits(const QString& s)
{
    if (s.isEmpty()) return false;
    for (const QChar c : s)
        if (!isDigit(c)) return false;
    return true;
}

std::optional<qint64> toSize(const QString& digits)
{
    if (!allDigits(digits) || digits.size() > 18) return std::nullopt;
    return digits.toLongLong();
}

// The code of a reply line: "123 " or "123-" (or "123" alone); 0 when the line has none.
int codeOf(const QString& line, QChar* separator)
{
    if (line.size() < 3 || !isDigit(line[0]) || !isDigit(line[1]) || !isDigit(line[2])) return 0;
    *separator = line.size() > 3 ? line[3] : QLatin1Char(' ');
    if (*separator != QLatin1Char(' ') && *separator != QLatin1Char('-')) return 0;
    return line.left(3).toInt();
}

// A line's words and where each ends.
struct Token {
    QString text;
    qsizetype end = 0;
};

QList<Token> tokens(const QString& line, int most)
{
    QList<Token> out;
    qsizetype i = 0;
    while (i < line.size() && out.size() < most) {
        while (i < line.size() && line[i] == QLatin1Char(' ')) ++i;
        if (i >= line.size()) break;
        const qsizetype start = i;
        while (i < line.size() && line[i] != QLatin1Char(' ')) ++i;
        out.append({line.mid(start, i - start), i});
    }
    return out;
}

bool isMonth(const QString& t)
{
    if (t.size() < 3 || t.size() > 5) return false;
    for (const QChar c : t)
        if (!c.isLetter()) return false;
    return true;
}

bool isDay(const QString& t)
{
    return allDigits(t) && t.size() <= 2 && t.toInt() >= 1 && t.toInt() <= 31;
}

// "10:25" or a year.
bool isTimeOrYear(const QString& t)
{
    if (t.size() == 4 && allDigits(t)) return true;
    const qsizetype colon = t.indexOf(QLatin1Char(':'));
    return colon > 0 && allDigits(t.left(colon)) && allDigits(t.mid(colon + 1));
}

// "-rw-r--r-- 1 owner group 1234 Mar 14 10:25 name" (the group may be missing).
std::optional<ListingEntry> unixLine(const QString& line)
{
    const QList<Token> t = tokens(line, 12);
    if (t.size() < 7) return std::nullopt;
    const QString& mode = t[0].text;
    if (mode.size() < 10 || !QStringLiteral("-dlcbps").contains(mode[0])) return std::nullopt;
    // The first place where a size, a month, a day and a time or year follow each other.
    for (qsizetype i = 3; i + 2 < t.size(); ++i) {
        if (!allDigits(t[i - 1].text) || !isMonth(t[i].text) || !isDay(t[i + 1].text) || !isTimeOrYear(t[i + 2].text))
            continue;
        const qsizetype nameStart = t[i + 2].end + 1;
        if (nameStart >= line.size()) return std::nullopt;
        ListingEntry e;
        e.name = line.mid(nameStart);
        e.folder = mode[0] == QLatin1Char('d');
        e.file = mode[0] == QLatin1Char('-');
        e.size = toSize(t[i - 1].text);
        if (!e.size) return std::nullopt;
        return e;
    }
    return std::nullopt;
}

// "03-14-26  10:25AM  1234 name" or "03-14-2026  10:25PM  <DIR>  name".
std::optional<ListingEntry> dosLine(const QString& line)
{
    const QList<Token> t = tokens(line, 3);
    if (t.size() < 3) return std::nullopt;
    const QString& date = t[0].text;
    const QString& time = t[1].text;
    if (date.size() < 8 || !isDigit(date[0]) || (date[2] != QLatin1Char('-') && date[2] != QLatin1Char('/')))
        return std::nullopt;
    if (time.size() < 6 || !time.contains(QLatin1Char(':'))
        || !(time.endsWith(QLatin1String("AM"), Qt::CaseInsensitive) || time.endsWith(QLatin1String("PM"), Qt::CaseInsensitive)))
        return std::nullopt;
    const qsizetype nameStart = t[2].end + 1;
    if (nameStart >= line.size()) return std::nullopt;
    ListingEntry e;
    e.name = line.mid(nameStart);
    // The name starts after the padding that aligns the column.
    while (e.name.startsWith(QLatin1Char(' ')) && t[2].text == QLatin1String("<DIR>")) e.name.remove(0, 1);
    if (t[2].text == QLatin1String("<DIR>")) {
        e.folder = true;
        return e;
    }
    e.size = toSize(t[2].text);
    if (!e.size) return std::nullopt;
    e.file = true;
    return e;
}

}  // namespace

QString FtpReply::text() const
{
    return lines.join(QLatin1Char(' ')).simplified();
}

void FtpReplyReader::reset()
{
    m_reply = FtpReply();
    m_bytes = 0;
}

FtpReplyReader::Step FtpReplyReader::add(const QString& line)
{
    m_bytes += line.size() + 2;
    if (line.size() > kMaxLineBytes || m_bytes > kMaxBytes || m_reply.lines.size() >= kMaxLines) return Step::TooLong;
    QChar separator;
    const int code = codeOf(line, &separator);
    if (m_reply.lines.isEmpty()) {
        if (code == 0) return Step::Malformed;
        m_reply.code = code;
        m_reply.lines.append(line);
        return separator == QLatin1Char('-') ? Step::More : Step::Done;
    }
    m_reply.lines.append(line);
    return code == m_reply.code && separator == QLatin1Char(' ') ? Step::Done : Step::More;
}

std::optional<quint16> portInPasvReply(const QString& reply)
{
    const QString text = reply.mid(4);
    const auto inNumbers = [](QChar c) { return isDigit(c) || c == QLatin1Char(','); };
    for (qsizetype start = 0; start < text.size();) {
        if (!inNumbers(text.at(start))) {
            ++start;
            continue;
        }
        qsizetype end = start;
        while (end < text.size() && inNumbers(text.at(end))) ++end;
        const QStringList fields = text.mid(start, end - start).split(QLatin1Char(','));
        start = end;
        if (fields.size() != 6) continue;
        uint values[6] = {};
        bool all = true;
        for (int i = 0; i < 6 && all; ++i) all = allDigits(fields[i]) && fields[i].size() <= 3 && (values[i] = fields[i].toUInt()) <= 255;
        if (!all) continue;
        const uint port = values[4] * 256 + values[5];
        if (port == 0) return std::nullopt;
        return static_cast<quint16>(port);
    }
    return std::nullopt;
}

std::optional<quint16> portInEpsvReply(const QString& reply)
{
    const qsizetype open = reply.indexOf(QLatin1Char('('));
    const qsizetype close = reply.indexOf(QLatin1Char(')'), open + 1);
    if (open < 0 || close < 0 || close - open < 6) return std::nullopt;
    const QString inner = reply.mid(open + 1, close - open - 1);
    const QChar d = inner.at(0);
    if (isDigit(d) || d.unicode() < 33 || d.unicode() > 126) return std::nullopt;
    const QStringList fields = inner.split(d);
    // "|||port|": empty protocol and address.
    if (fields.size() != 5 || !fields[0].isEmpty() || !fields[1].isEmpty() || !fields[2].isEmpty() || !fields[4].isEmpty())
        return std::nullopt;
    if (!allDigits(fields[3]) || fields[3].size() > 5) return std::nullopt;
    const uint port = fields[3].toUInt();
    if (port < 1 || port > 65535) return std::nullopt;
    return static_cast<quint16>(port);
}

std::optional<qint64> sizeInMlstReply(const QStringList& lines)
{
    for (const QString& line : lines) {
        if (!line.startsWith(QLatin1Char(' '))) continue;
        const QString facts = line.mid(1).section(QLatin1Char(' '), 0, 0);
        std::optional<qint64> size;
        bool file = true;
        for (const QString& fact : facts.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString name = fact.section(QLatin1Char('='), 0, 0).toLower();
            const QString value = fact.section(QLatin1Char('='), 1);
            if (name == QLatin1String("size")) size = toSize(value);
            if (name == QLatin1String("type")) file = value.compare(QLatin1String("file"), Qt::CaseInsensitive) == 0;
        }
        return file ? size : std::nullopt;
    }
    return std::nullopt;
}

std::optional<ListingEntry> parseListingLine(QString line)
{
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (line.isEmpty()) return std::nullopt;
    if (isDigit(line[0])) return dosLine(line);
    return unixLine(line);
}

std::optional<qint64> sizeInListing(const QString& listing, const QString& name)
{
    std::optional<ListingEntry> found;
    for (const QString& line : listing.split(QLatin1Char('\n'))) {
        const std::optional<ListingEntry> e = parseListingLine(line);
        if (!e || e->name != name) continue;
        if (found) return std::nullopt;  // listed twice: which one is it?
        found = e;
    }
    if (!found || !found->file) return std::nullopt;
    return found->size;
}

}  // namespace dc
