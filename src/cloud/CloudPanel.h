#pragma once

#include "cloud/CloudCycle.h"
#include "mainwindow/WindowContext.h"

#include <QObject>

namespace dc {

class OutboxLogPanel;

// The cloud panel's settings and the cloud cycle: the cloud switch with its
// timer, the server and the two pairs of credentials, the interval, and the
// timed start of the generate and send tools.
class CloudPanel : public QObject {
    Q_OBJECT
public:
    CloudPanel(WindowContext& ctx, OutboxLogPanel& outbox, QObject* parent = nullptr);

    // Reactions.
    void ChkNubeActivadoClick();
    void CmbTiempoChange();
    // One minute of the cycle: the outbox and the log refreshed, the count
    // advanced, a tool started at the half and at the end of the interval.
    void TNubeTimer();
    void BtnGeneraClick();
    void BtnEnviaClick();

    // Minutes of the interval chosen now.
    int intervalMinutes() const;
    int ticks() const { return m_cycle.ticks(); }
    void resetTicks() { m_cycle.restart(); }

private:
    void store(int row, const QString& value);
    void startTool(const QString& tool, const QString& what);
    WindowContext& m_ctx;
    OutboxLogPanel& m_outbox;
    CloudCycle m_cycle;  // minutes counted since the switch went on or the last send
};

}  // namespace dc
