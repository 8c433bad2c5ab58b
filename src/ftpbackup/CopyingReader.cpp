#include "ftpbackup/CopyingReader.h"

#include "ftpbackup/TemporaryCopy.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <utility>

namespace dc {

namespace {

// Holes are looked for in pieces of this size: a file system's blocks are smaller.
constexpr qint64 kHolePiece = 64 * 1024;

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

bool allZero(const char* p, qint64 n)
{
    if (n <= 0) return true;
    if (n < 8) return std::all_of(p, p + n, [](char c) { return c == 0; });
    static const char zeros[8] = {};
    return std::memcmp(p, zeros, 8) == 0 && std::memcmp(p, p + 8, static_cast<size_t>(n - 8)) == 0;
}

}  // namespace

CopyWriter::CopyWriter(const QString& copy) : m_out(copy)
{
    if (!m_out.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered,
                    QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        throw CopyError(QStringLiteral("No se pudo crear la copia temporal ") + nativePath(copy) + QStringLiteral(": ")
                        + m_out.errorString());
}

void CopyWriter::failed()
{
    throw CopyError(QStringLiteral("No se pudo escribir la copia temporal ") + nativePath(m_out.fileName())
                    + QStringLiteral(": ") + m_out.errorString());
}

void CopyWriter::write(const char* bytes, qint64 length)
{
    // Runs of pieces with data go in one write; runs of zero pieces are
    // stepped over, leaving a hole.
    const auto piece = [&](qint64 at) { return std::min(kHolePiece, length - at); };
    for (qint64 at = 0; at < length;) {
        const bool zeros = allZero(bytes + at, piece(at));
        qint64 run = at;
        while (run < length && allZero(bytes + run, piece(run)) == zeros) run += piece(run);
        if (!zeros) {
            if (m_out.pos() != m_size && !m_out.seek(m_size)) failed();
            if (m_out.write(bytes + at, run - at) != run - at) failed();
        }
        m_size += run - at;
        at = run;
    }
}

void CopyWriter::finish()
{
    if (m_out.size() != m_size && !m_out.resize(m_size)) failed();
    if (!m_out.flush()) failed();
    m_out.close();
}

CopyingReader::CopyingReader(const QString& file, const QString& copy, std::function<bool()> cancelled)
    : m_path(file), m_copyPath(copy), m_cancelled(std::move(cancelled)), m_file(file)
{
}

CopyingReader::~CopyingReader()
{
    const bool created = m_writer != nullptr;
    m_writer.reset();  // closed first: Windows removes no open file
    if (created && !m_complete) removeTemporaryCopy(m_copyPath);
}

void CopyingReader::start()
{
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw CopyError(QStringLiteral("No se pudo leer ") + nativePath(m_path) + QStringLiteral(": ") + m_file.errorString());
    m_size = m_file.size();
    m_writer = std::make_unique<CopyWriter>(m_copyPath);
    QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 CopyingReader::bytesAvailable() const
{
    return std::max<qint64>(m_size - m_read, 0) + QIODevice::bytesAvailable();
}

qint64 CopyingReader::readData(char* data, qint64 maxSize)
{
    if (!m_failure.isEmpty()) return -1;
    if (m_complete) return 0;
    if (m_cancelled && m_cancelled()) return fail(kOperationCancelled);
    const qint64 wanted = std::min(maxSize, m_size - m_read);
    const qint64 n = wanted > 0 ? m_file.read(data, wanted) : 0;
    if (n < 0) return fail(QStringLiteral("No se pudo leer ") + nativePath(m_path) + QStringLiteral(": ") + m_file.errorString());
    if (n == 0) return end();
    try {
        m_writer->write(data, n);
    } catch (const CopyError& e) {
        return fail(e.text());
    }
    m_read += n;
    return n;
}

qint64 CopyingReader::finish()
{
    if (!m_complete && m_failure.isEmpty() && m_writer && m_read == m_size) end();
    if (!m_complete)
        throw CopyError(m_failure.isEmpty()
                            ? QStringLiteral("La copia temporal ") + nativePath(m_copyPath) + QStringLiteral(" no quedó completa")
                            : m_failure);
    const qint64 onDisk = QFileInfo(m_copyPath).size();
    if (onDisk != m_read)
        throw CopyError(QStringLiteral("La copia temporal %1 tiene %2 bytes; se leyeron %3")
                            .arg(nativePath(m_copyPath))
                            .arg(onDisk)
                            .arg(m_read));
    return m_read;
}

qint64 CopyingReader::fail(const QString& why)
{
    m_failure = why;
    setErrorString(why);
    return -1;
}

qint64 CopyingReader::end()
{
    try {
        m_writer->finish();
    } catch (const CopyError& e) {
        return fail(e.text());
    }
    m_complete = true;
    return 0;
}

}  // namespace dc
