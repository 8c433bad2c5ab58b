// Opens the main window of datacenter2 on an install root with one work panel
// open (or one of its dialogs over it) and saves what the screen shows. Used
// for the pictures of the README:
//   xvfb-run -a build/tests/window_screenshot --root DIR --panel respaldos --out docs/x.png
// Panels: respaldos, historial, nube, registro; dialogs: pregunta (a question box),
// archivos (the add-files dialog), tarea (the manual task form).
#include "panels/BackupPanel.h"
#include "panels/HistoryPanel.h"
#include "window/ProgramStart.h"
#include "widgets/QtPrompts.h"
#include "window/TFrmPrincipal.h"
#include "panels/TasksPanel.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDialog>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

namespace {

void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 50);
}

// The screen over the window and whatever dialog stands over it.
QPixmap shoot(QWidget& window)
{
    QRect area = window.frameGeometry();
    for (QWidget* top : QApplication::topLevelWidgets())
        if (qobject_cast<QDialog*>(top) && top->isVisible()) area |= top->frameGeometry();
    return window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("datacenter2"));  // the boxes' caption, as the program has it
    dc::prepareApplication();
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption rootOpt(QStringLiteral("root"), QStringLiteral("Install root."), QStringLiteral("DIR"));
    const QCommandLineOption panelOpt(QStringLiteral("panel"),
                                      QStringLiteral("respaldos, historial, nube, registro, pregunta, archivos or tarea."),
                                      QStringLiteral("NAME"), QStringLiteral("respaldos"));
    const QCommandLineOption outOpt(QStringLiteral("out"), QStringLiteral("PNG file to write."), QStringLiteral("FILE"));
    parser.addOptions({rootOpt, panelOpt, outOpt});
    parser.process(app);

    dc::WindowDeps deps;
    deps.driveRoot = parser.value(rootOpt);
    dc::TFrmPrincipal w(deps);
    w.FormCreate();
    w.move(40, 40);
    w.OpAbrirClick();
    const QString panel = parser.value(panelOpt);
    if (panel == QStringLiteral("nube") || panel == QStringLiteral("tarea")) {
        w.ui().PReportesWeb->expand();
        w.Label11Click();
    } else if (panel == QStringLiteral("registro")) {
        w.ui().PReportesWeb->expand();
        w.Label18Click();
    } else if (panel == QStringLiteral("historial")) {
        // The newest run, with the files it left out.
        w.ui().PRespaldoDatos->expand();
        w.Label27Click();
        w.history()->BitBtn6Click();
    } else {
        w.ui().PRespaldoDatos->expand();
        w.Label1Click();
    }
    // Let the window paint (and the window manager frame it) and the first
    // outbox refresh run.
    settle(1500);
    QPixmap shot;
    const auto shootDialog = [&](const std::function<void()>& open) {
        QTimer::singleShot(1500, &w, [&] {
            shot = shoot(w);
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QDialog*>(top); d && d->isVisible()) d->reject();
        });
        open();
    };
    dc::QtPrompts prompts(&w);
    if (panel == QStringLiteral("pregunta"))
        shootDialog([&] { prompts.confirm(dc::kMsgConfirmRemove); });
    else if (panel == QStringLiteral("archivos"))
        shootDialog([&] { prompts.openFiles(); });
    else if (panel == QStringLiteral("tarea"))
        shootDialog([&] { w.tasks()->BitBtn5Click(); });
    else
        shot = shoot(w);
    if (shot.isNull()) shot = w.grab();
    return shot.save(parser.value(outOpt)) ? 0 : 1;
}
