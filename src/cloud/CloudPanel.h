#pragma once

#include "mainwindow/WindowContext.h"

#include <QObject>

namespace dc {

// The cloud panel's settings: the cloud switch with its timer and tick
// counter, the server and the two pairs of credentials, the interval.
class CloudPanel : public QObject {
    Q_OBJECT
public:
    explicit CloudPanel(WindowContext& ctx, QObject* parent = nullptr);

    void ChkNubeActivadoClick();
    void CmbTiempoChange();

    // Minutes of the interval item at `index` (anything past 4 is 60).
    static int intervalMinutes(int index);
    int ticks() const { return m_ticks; }
    void resetTicks() { m_ticks = 0; }

private:
    void store(int row, const QString& value);
    WindowContext& m_ctx;
    int m_ticks = 0;  // minutes counted since the switch went on or the last send
};

}  // namespace dc
