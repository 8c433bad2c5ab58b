#pragma once

#include <QShowEvent>
#include <QWidget>
#include <QFont>
#include <QLocale>
#include <QProxyStyle>
#include <QString>
#include <QStringList>

namespace dc {

// The application title: the program file's name up to its first full stop,
// every character after the first in lower case.
QString applicationTitle(const QString& programFileName);
// The title of this program (the caption of its message boxes, the tip of its icon).
QString applicationTitle();

// What the programs look like and which language Qt's own dialogs speak,
// whatever the system's settings.

// The platform's style with the forms' details: masked boxes show "*" for
// each character, and a drop-down list gives its text the room that the
// Windows control gives it (the forms' lists are sized for that).
class WindowStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override;
};

// Moves a dialog about to show over the middle of the window it belongs to
// (or of the screen while that window is hidden).
void centreOnWindow(QWidget* dialog);

// A dialog that opens centred on its window once it has its final size (a
// message box sizes itself to its text only as it shows, after Qt placed it).
template <class D>
class Centred : public D {
public:
    using D::D;

protected:
    void showEvent(QShowEvent* event) override
    {
        D::showEvent(event);
        centreOnWindow(this);
    }
};

// A file the program ships beside itself (in `subFolder` of the program's
// folder, as a Windows package lays it out) or, failing that, finds in one
// of the system's folders. Empty when it is nowhere.
QString findSharedFile(const QString& subFolder, const QString& fileName, const QStringList& systemFolders);

// Loads Qt's own Spanish texts, so standard buttons ("Sí", "No", "Cancelar")
// and the file dialogs speak Spanish. False when qtbase_es.qm is nowhere.
bool installSpanishTranslations();

// The windows' font: Tahoma, 8 points, which the forms' geometry is drawn
// for. Where the system has no Tahoma, the metric-compatible one of Debian's
// fonts-wine is loaded (or the one shipped beside the program).
QFont windowFont();

// The language of dates in the windows (the calendars' month and day
// names): the system's when it is Spanish, Mexican Spanish otherwise.
QLocale windowLocale();

}  // namespace dc
