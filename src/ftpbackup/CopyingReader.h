#pragma once

#include <QFile>
#include <QIODevice>
#include <QString>

#include <functional>
#include <memory>

namespace dc {

// Writes a temporary copy block by block: the file is created exclusively
// (never through a name that is already there, a link placed there
// included) and readable by its owner only, whatever the umask; runs of
// zeros become holes, so a sparse file stays sparse. Throws CopyError.
class CopyWriter {
public:
    explicit CopyWriter(const QString& copy);
    void write(const char* bytes, qint64 length);
    // Gives the copy its whole size (a trailing run of zeros is a hole too).
    void finish();
    qint64 size() const { return m_size; }

private:
    [[noreturn]] void failed();

    QFile m_out;
    qint64 m_size = 0;
};

// A file read once for an upload that keeps a temporary copy of what it
// sends: every block read from the file is written to the copy before the
// reader gets it, through the reader's own buffer, so that the copy costs
// no memory and no second read of the file.
//
// The reader gets the file's first fileSize() bytes, its size when start()
// was called: a file that grows meanwhile (a log) is sent as it was then;
// one that shrinks gives fewer. A read fails (-1, errorString() and
// failure() say why) when the file cannot be read, when the copy cannot be
// written, or when `cancelled` says so (kOperationCancelled). The read that
// meets the end returns once the copy is whole, and fails when it cannot be
// made so: an upload never completes with a copy that is not whole.
//
// The copy is whole once the reader met the end; a reader that is destroyed
// before that removes the part of the copy it wrote.
class CopyingReader final : public QIODevice {
public:
    CopyingReader(const QString& file, const QString& copy, std::function<bool()> cancelled = {});
    ~CopyingReader() override;
    CopyingReader(const CopyingReader&) = delete;
    CopyingReader& operator=(const CopyingReader&) = delete;

    // Opens the file and creates the copy (where none may be: see
    // CopyWriter). Throws CopyError.
    void start();
    // The file's size when start() was called.
    qint64 fileSize() const { return m_size; }
    bool isSequential() const override { return true; }
    // What is left to read of fileSize() bytes.
    qint64 bytesAvailable() const override;
    // Why a read failed; empty while none did.
    QString failure() const { return m_failure; }
    // True once the copy is whole: the reader met the end.
    bool isComplete() const { return m_complete; }
    // For a reader that has given every byte of the file (a client that
    // knows the size may stop there without asking for the end): makes the
    // copy whole, checks that its size on disk is the number of bytes read,
    // and returns that number. Throws CopyError when the copy is not whole.
    qint64 finish();

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint64 fail(const QString& why);
    // The reader met the end: the copy is made whole.
    qint64 end();

    const QString m_path;
    const QString m_copyPath;
    const std::function<bool()> m_cancelled;
    QFile m_file;
    std::unique_ptr<CopyWriter> m_writer;
    qint64 m_size = 0;
    qint64 m_read = 0;
    QString m_failure;
    bool m_complete = false;
};

}  // namespace dc
