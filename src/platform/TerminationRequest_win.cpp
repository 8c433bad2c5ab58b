// Termination requests on Windows: console control events. The handler runs
// on a thread of the system; it hands the request to the event loop and gives
// the tool a few seconds to clean up before Windows ends the process.
#include "platform/TerminationRequest.h"

#include <QMetaObject>
#include <QPointer>

#include <windows.h>

namespace dc {

namespace {

QPointer<QObject> g_context;
std::function<void()> g_handler;

BOOL WINAPI onConsoleEvent(DWORD)
{
    if (!g_context) return FALSE;
    QMetaObject::invokeMethod(g_context.data(), [] { g_handler(); }, Qt::QueuedConnection);
    ::Sleep(5000);
    return TRUE;
}

}  // namespace

void onTerminationRequest(QObject* context, std::function<void()> handler)
{
    g_context = context;
    g_handler = std::move(handler);
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

}  // namespace dc
