// Opens the main window of datacenter2 on an install root with one work panel
// open and saves what the screen shows. Used for the pictures of the README:
//   xvfb-run -a build/tests/window_screenshot --root DIR --panel respaldos --out docs/x.png
#include "mainwindow/ProgramStart.h"
#include "mainwindow/TFrmPrincipal.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    dc::prepareApplication();
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption rootOpt(QStringLiteral("root"), QStringLiteral("Install root."), QStringLiteral("DIR"));
    const QCommandLineOption panelOpt(QStringLiteral("panel"), QStringLiteral("respaldos, nube or registro."),
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
    if (panel == QStringLiteral("nube")) {
        w.ui().PReportesWeb->expand();
        w.Label11Click();
    } else if (panel == QStringLiteral("registro")) {
        w.ui().PReportesWeb->expand();
        w.Label18Click();
    } else {
        w.ui().PRespaldoDatos->expand();
        w.Label1Click();
    }
    // Let the window paint and the first outbox refresh run.
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 1500) QApplication::processEvents(QEventLoop::AllEvents, 50);
    const QRect frame = w.frameGeometry();
    QPixmap shot = w.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    if (shot.isNull()) shot = w.grab();
    return shot.save(parser.value(outOpt)) ? 0 : 1;
}
