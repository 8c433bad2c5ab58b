#include "ftpbackup/Pacing.h"

namespace dc {

Pacing::Pacing(double scale) : m_scale(scale < 0 ? 0 : scale) {}

bool Pacing::wait(std::chrono::milliseconds nominal)
{
    waitRequested(nominal);
    const auto length = std::chrono::duration_cast<std::chrono::steady_clock::duration>(nominal * m_scale);
    std::unique_lock lock(m_mutex);
    if (m_interrupted) return false;
    if (length <= std::chrono::steady_clock::duration::zero()) return true;
    return !m_wake.wait_for(lock, length, [this] { return m_interrupted; });
}

void Pacing::interrupt()
{
    {
        std::lock_guard lock(m_mutex);
        m_interrupted = true;
    }
    m_wake.notify_all();
}

void Pacing::rearm()
{
    std::lock_guard lock(m_mutex);
    m_interrupted = false;
}

}  // namespace dc
