#include "widgets/Appearance.h"

#include <QCoreApplication>
#include <QStyleOption>
#include <QWidget>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QScreen>
#include <QStandardPaths>
#include <QTranslator>

namespace dc {

Q_LOGGING_CATEGORY(lcLook, "dc.look")

namespace {
const QString kTahoma = QStringLiteral("Tahoma");
}

int WindowStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                           QStyleHintReturn* returnData) const
{
    if (hint == SH_LineEdit_PasswordCharacter) return '*';
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

QRect WindowStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                                  const QWidget* widget) const
{
    QRect rect = QProxyStyle::subControlRect(control, option, sub, widget);
    if (control == CC_ComboBox && sub == SC_ComboBoxEditField) {
        // The text runs up to the arrow button, as in the Windows control.
        const QRect arrow = QProxyStyle::subControlRect(control, option, SC_ComboBoxArrow, widget);
        if (option->direction == Qt::LeftToRight) rect.setCoords(option->rect.left() + 3, rect.top(), arrow.left() + 4, rect.bottom());
    }
    return rect;
}

QString applicationTitle(const QString& programFileName)
{
    QString title = programFileName.left(programFileName.indexOf(QLatin1Char('.')));
    if (title.size() > 1) title = title.left(1) + title.mid(1).toLower();
    return title;
}

QString applicationTitle()
{
    // The application's name is the program file's unless it was given.
    return applicationTitle(QCoreApplication::applicationName());
}

void centreOnWindow(QWidget* dialog)
{
    const QWidget* window = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
    QRect over;
    if (window && window->isVisible())
        over = window->frameGeometry();
    else if (const QScreen* screen = window ? window->screen() : dialog->screen())
        over = screen->availableGeometry();
    if (over.isEmpty()) return;
    QRect frame = dialog->frameGeometry();
    frame.moveCenter(over.center());
    dialog->move(frame.topLeft());
}

QString findSharedFile(const QString& subFolder, const QString& fileName, const QStringList& systemFolders)
{
    QStringList folders{QCoreApplication::applicationDirPath() + QLatin1Char('/') + subFolder};
    folders << systemFolders;
    for (const QString& folder : folders) {
        const QFileInfo file(QDir(folder), fileName);
        if (file.isFile()) return file.absoluteFilePath();
    }
    return {};
}

bool installSpanishTranslations()
{
    const QString file = findSharedFile(QStringLiteral("translations"), QStringLiteral("qtbase_es.qm"),
                                        {QLibraryInfo::path(QLibraryInfo::TranslationsPath)});
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (file.isEmpty() || !translator->load(file)) {
        delete translator;
        qCWarning(lcLook) << "qtbase_es.qm no se encontró: los diálogos de Qt se verán en inglés";
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

QFont windowFont()
{
    if (!QFontDatabase::families().contains(kTahoma)) {
        // Debian's fonts-wine, then the system's font folders (Windows keeps
        // its Tahoma there, which a platform plugin without the system's font
        // database, the offscreen one, needs loaded by file).
        QStringList systemFolders{QStringLiteral("/usr/share/wine/fonts")};
        systemFolders << QStandardPaths::standardLocations(QStandardPaths::FontsLocation);
        for (const QString& name : {QStringLiteral("tahoma.ttf"), QStringLiteral("tahomabd.ttf")}) {
            const QString file = findSharedFile(QStringLiteral("fonts"), name, systemFolders);
            if (file.isEmpty() || QFontDatabase::addApplicationFont(file) < 0)
                qCWarning(lcLook).noquote() << "No se pudo cargar" << name << "- los textos pueden no caber en los controles";
        }
    }
    QFont font;
    font.setFamilies({kTahoma, QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

QLocale windowLocale()
{
    const QLocale system;
    return system.language() == QLocale::Spanish ? system : QLocale(QLocale::Spanish, QLocale::Mexico);
}

}  // namespace dc
