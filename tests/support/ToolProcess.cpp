#include "support/ToolProcess.h"

#include "ftpbackup/FtpClientFactory.h"
#include "support/FtpServer.h"

#include <QProcess>

namespace dc::test {

ToolRun runTool(const QString& program, const QStringList& args, const QString& workDir, int timeoutMs)
{
    QProcess p;
    p.setWorkingDirectory(workDir);
    // The tools trust the test servers' CA too.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(kExtraCaVariable), FtpServer::caFile());
    p.setProcessEnvironment(env);
    p.start(program, args);
    ToolRun r;
    r.ended = p.waitForFinished(timeoutMs);
    if (!r.ended) {
        p.kill();
        p.waitForFinished(5000);
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

}  // namespace dc::test
