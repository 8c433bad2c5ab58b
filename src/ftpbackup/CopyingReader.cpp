#include "ftpbackup/CopyingReader.h"

#include "ftpbackup/TemporaryCopy.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <utility>

namespace dc {

namespace {

// What the copy's thread gets at a time, and how many of those may wait for
// it: 2 MiB, so that a slow moment of the disk does not stop the upload.
constexpr qint64 kReadBlock = 256 * 1024;
constexpr qint64 kBlocksAhead = 8;
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
    if (m_copier.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        m_copier.join();
    }
    const bool created = m_writer != nullptr;
    m_writer.reset();
    if (created && !m_complete) removeTemporaryCopy(m_copyPath);
}

void CopyingReader::start()
{
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw CopyError(QStringLiteral("No se pudo leer ") + nativePath(m_path) + QStringLiteral(": ") + m_file.errorString());
    m_size = m_file.size();
    m_writer = std::make_unique<CopyWriter>(m_copyPath);
    // A small file needs no more than itself.
    m_blockSize = std::clamp<qint64>(m_size, 1, kReadBlock);
    m_blocks.resize(static_cast<size_t>(std::clamp<qint64>((m_size + m_blockSize - 1) / m_blockSize, 1, kBlocksAhead)));
    for (Block& b : m_blocks) {
        b.bytes = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(m_blockSize));
        m_free.push_back(&b);
    }
    QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    m_copier = std::thread([this] { writeCopy(); });
}

qint64 CopyingReader::bytesAvailable() const
{
    const qint64 inBlock = m_current ? m_current->length - m_offset : 0;
    return std::max<qint64>(m_size - m_read, 0) + inBlock + QIODevice::bytesAvailable();
}

qint64 CopyingReader::readData(char* data, qint64 maxSize)
{
    if (!m_failure.isEmpty()) return -1;
    if (m_complete) return 0;
    if (m_cancelled && m_cancelled()) return fail(kOperationCancelled);
    if (m_current && m_offset == m_current->length) handOver();
    if (!m_current) {
        const qint64 wanted = std::min(m_blockSize, m_size - m_read);
        if (wanted <= 0) return end();
        Block* block = freeBlock();
        if (!block) return fail(writeError());
        const qint64 n = m_file.read(block->bytes.get(), wanted);
        if (n <= 0) {
            {
                std::lock_guard lock(m_mutex);
                m_free.push_back(block);
            }
            return n < 0 ? fail(QStringLiteral("No se pudo leer ") + nativePath(m_path) + QStringLiteral(": ") + m_file.errorString())
                         : end();
        }
        block->length = n;
        m_read += n;
        m_current = block;
        m_offset = 0;
    }
    const qint64 n = std::min(maxSize, m_current->length - m_offset);
    std::memcpy(data, m_current->bytes.get() + m_offset, static_cast<size_t>(n));
    m_offset += n;
    return n;
}

qint64 CopyingReader::finish()
{
    // A client that knows the size may stop after the last byte, never asking for the end.
    if (!m_complete && m_failure.isEmpty() && m_read == m_size && bytesAvailable() == 0) {
        if (m_current) handOver();
        end();
    }
    if (!m_complete)
        throw CopyError(m_failure.isEmpty() ? QStringLiteral("La copia temporal ") + nativePath(m_copyPath) + QStringLiteral(" no quedó completa")
                                            : m_failure);
    const qint64 onDisk = QFileInfo(m_copyPath).size();
    if (onDisk != m_read)
        throw CopyError(QStringLiteral("La copia temporal %1 tiene %2 bytes; se leyeron %3").arg(nativePath(m_copyPath)).arg(onDisk).arg(m_read));
    return m_read;
}

qint64 CopyingReader::fail(const QString& why)
{
    m_failure = why;
    setErrorString(why);
    return -1;
}

void CopyingReader::handOver()
{
    {
        std::lock_guard lock(m_mutex);
        m_filled.push_back(std::exchange(m_current, nullptr));
    }
    m_changed.notify_all();
}

qint64 CopyingReader::end()
{
    std::unique_lock lock(m_mutex);
    m_ended = true;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_written; });
    if (!m_writeError.isEmpty()) {
        const QString why = m_writeError;
        lock.unlock();
        return fail(why);
    }
    m_complete = true;
    return 0;
}

CopyingReader::Block* CopyingReader::freeBlock()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_free.empty() || m_written; });
    if (m_written || m_free.empty()) return nullptr;
    Block* block = m_free.back();
    m_free.pop_back();
    return block;
}

QString CopyingReader::writeError()
{
    std::lock_guard lock(m_mutex);
    return m_writeError.isEmpty() ? QStringLiteral("La copia temporal ") + nativePath(m_copyPath) + QStringLiteral(" no quedó completa")
                                  : m_writeError;
}

void CopyingReader::writeCopy()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || m_ended || !m_filled.empty(); });
        if (m_stopping) break;
        QString error;
        if (m_filled.empty()) {
            // The reader met the end and everything is written.
            lock.unlock();
            try {
                m_writer->finish();
            } catch (const CopyError& e) {
                error = e.text();
            }
            lock.lock();
            m_writeError = error;
            break;
        }
        Block* block = m_filled.front();
        m_filled.pop_front();
        lock.unlock();
        try {
            m_writer->write(block->bytes.get(), block->length);
        } catch (const CopyError& e) {
            error = e.text();
        }
        lock.lock();
        m_free.push_back(block);
        m_changed.notify_all();
        if (!error.isEmpty()) {
            m_writeError = error;
            break;
        }
    }
    m_written = true;
    m_changed.notify_all();
}

}  // namespace dc
