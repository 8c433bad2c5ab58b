#pragma once

#include "widgets/Appearance.h"

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

namespace dc {

// The tip of the notification icon (the title, and the lines under it), at
// most 127 characters.
QString trayTip(const QString& text);

// The notification icon and its menu. Only the right button opens the menu;
// other clicks do nothing.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    TrayIcon(const QIcon& icon, const QString& title, QObject* parent);
    ~TrayIcon() override;

    // Shows the icon once; without a notification area nothing happens.
    void registerIcon();
    // Takes the icon away.
    void remove();
    bool isRegistered() const { return m_registered; }
    // How long a notice stays beside the icon, in milliseconds.
    static constexpr int kNoticeTime = 10'000;
    // Shows a notice beside the icon; false (nothing shown) while the icon is
    // not in a notification area. The text goes to the program's log either way.
    bool notify(const QString& title, const QString& text,
                QSystemTrayIcon::MessageIcon icon = QSystemTrayIcon::Warning);
    // The text of the last notice asked for, shown or not.
    QString lastNotice() const { return m_lastNotice; }
    // The state of the backups under the title in the icon's tip, and a
    // warning badge on the icon while they are behind.
    void showBackupState(const QString& state, bool behind);
    QString toolTip() const { return m_icon->toolTip(); }
    bool showsWarning() const { return m_warning; }

    // The icon's reaction to the mouse. The platform's context request (the
    // right button pressed over the icon; on Windows the shell sends it as the
    // button comes up) opens PopupMenu1 at the pointer. A left click, a double
    // click and the middle button do nothing: no menu is attached to the icon,
    // so no platform opens it on a left click either.
    void TrayIconCallback(QSystemTrayIcon::ActivationReason reason);

    QMenu* PopupMenu1;
    QAction* OpAbrir;
    QAction* N1;
    QAction* DetenerAplicacin1;

private:
    QSystemTrayIcon* m_icon;
    QString m_title;
    QIcon m_plain;
    bool m_warning = false;
    bool m_registered = false;
    QString m_lastNotice;
};

}  // namespace dc
