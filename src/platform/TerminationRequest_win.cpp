// Termination requests on Windows. A program is asked to end in three ways:
// - WM_CLOSE posted to its threads: what `taskkill` without /F, QProcess's
//   terminate() and the data center's own end of a tool (killProcessByName)
//   send before they end a process at once;
// - the end of the session: WM_ENDSESSION to a program with windows;
// - a console's Ctrl+C, Ctrl+Break or close (the console tools).
// The first two arrive in the event loop (a native event filter sees every
// message of the thread); a console event arrives on a thread of the system,
// which hands it to the event loop and then gives the program a few seconds
// to clean up before Windows ends it. A process ended at once (TerminateProcess)
// gets no request at all: its next start sweeps what it left.
#include "platform/TerminationRequest.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include <windows.h>

namespace dc {

namespace {

QPointer<QObject> g_context;
std::function<void()> g_handler;

void request()
{
    if (!g_context) return;
    QMetaObject::invokeMethod(g_context.data(), [] { g_handler(); }, Qt::QueuedConnection);
}

class TerminationFilter final : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "windows_generic_MSG" && type != "windows_dispatcher_MSG") return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_CLOSE && msg->hwnd == nullptr) {
            request();
            return true;
        }
        if (msg->message == WM_ENDSESSION && msg->wParam) {
            // Windows ends the process once this message is answered: the
            // request runs now, as far as it gets.
            if (g_context) g_handler();
        }
        return false;
    }
};

BOOL WINAPI onConsoleEvent(DWORD event)
{
    if (!g_context) return FALSE;
    request();
    // Ctrl+C and Ctrl+Break wait for nothing; after a close, log-off or
    // shut-down Windows ends the process when this returns.
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) ::Sleep(5000);
    return TRUE;
}

}  // namespace

void onTerminationRequest(QObject* context, std::function<void()> handler)
{
    g_context = context;
    g_handler = std::move(handler);
    static TerminationFilter filter;
    if (QCoreApplication* app = QCoreApplication::instance()) app->installNativeEventFilter(&filter);
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

}  // namespace dc
