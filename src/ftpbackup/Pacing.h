#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace dc {

// The engine's fixed waits (after each folder command, after copying a folder
// entry, after a failed attempt). The engine asks for the nominal time; the
// pacing waits that time multiplied by its scale (1 in the programs; shorter
// in tests and benchmarks). A wait ends early once interrupt() is called, from
// any thread, and every later wait returns at once until rearm().
class Pacing {
public:
    explicit Pacing(double scale = 1.0);
    virtual ~Pacing() = default;
    Pacing(const Pacing&) = delete;
    Pacing& operator=(const Pacing&) = delete;

    // False when the wait was cut short by interrupt().
    bool wait(std::chrono::milliseconds nominal);
    void interrupt();
    void rearm();

    double scale() const { return m_scale; }

protected:
    // Called with the nominal time of every wait, before waiting.
    virtual void waitRequested(std::chrono::milliseconds /*nominal*/) {}

private:
    const double m_scale;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_interrupted = false;
};

}  // namespace dc
