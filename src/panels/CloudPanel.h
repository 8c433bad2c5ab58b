#pragma once

#include "cloud/CloudCycle.h"
#include "cloud/CloudLog.h"
#include "widgets/Panel.h"
#include "widgets/WindowContext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QPushButton>
#include <QTimer>

namespace dc {

class OutboxLogPanel;

// The cloud settings' controls.
struct CloudPanelUi {
    QCheckBox* ChkNubeActivado = nullptr;
    QPushButton* BtnEnvia = nullptr;
    QPushButton* BtnGenera = nullptr;
    QLabel* Label24 = nullptr;
    QFrame* Shape6 = nullptr;
    QLabel* Label22 = nullptr;
    QLineEdit* TxtUsuarioSaliente = nullptr;
    QLabel* Label21 = nullptr;
    QLineEdit* TxtPassSaliente = nullptr;
    QLabel* Label16 = nullptr;
    QLineEdit* TxtServidor = nullptr;
    QLabel* Label23 = nullptr;
    QFrame* Shape5 = nullptr;
    QLabel* Label15 = nullptr;
    QLineEdit* TxtUsuarioEntrante = nullptr;
    QLabel* Label14 = nullptr;
    QLineEdit* TxtPassEntrante = nullptr;
    QLabel* Label12 = nullptr;
    QComboBox* CmbTiempo = nullptr;
    QTimer* TNube = nullptr;  // cloud cycle, 60 s
};

// The cloud panel's settings and the cloud cycle: the cloud switch with its
// timer, the server and the two pairs of credentials, the interval, and the
// timed start of the generate and send tools.
class CloudPanel : public QObject, public Panel {
    Q_OBJECT
public:
    CloudPanel(WindowContext& ctx, OutboxLogPanel& outbox, QObject* parent = nullptr);

    PanelPlace place() const override;
    void build(QWidget* page) override;
    QList<QWidget*> tabOrder() const override;
    QList<int> settingsRows() const override;
    void loadSetting(int row, const QString& value) override;
    CloudPanelUi& ui() { return m_ui; }

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
    // What the send tool would miss to reach the cloud server, in words; empty when nothing.
    QString missingForSending() const;
    void startTool(const QString& tool, const QString& what);
    WindowContext& m_ctx;
    CloudPanelUi m_ui;
    OutboxLogPanel& m_outbox;
    CloudCycle m_cycle;
    SendFailureWatch m_sendFailures;  // minutes counted since the switch went on or the last send
};

// %1: why the send tool could not send, as its log tells.
inline const QString kNoticeSendFailed = QStringLiteral(
    "¡No se pudieron enviar archivos a la Nube KOVA: %1! Se intentará de nuevo en el siguiente ciclo.");
// %1: what is missing ("falta el servidor, falta el usuario saliente").
inline const QString kNoticeCloudIncomplete = QStringLiteral(
    "¡La Nube KOVA está activada, pero no podrá enviar: %1! Complétalo en «Nube KOVA», «Configuración».");

}  // namespace dc
