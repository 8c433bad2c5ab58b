#pragma once

#include <QPixmap>

namespace dc {

// The window's pictures, each read once and shared afterwards.
QPixmap startPicture();    // background of edition 2's window at rest
QPixmap workPicture();     // background while a work page is open
QPixmap logoPicture();
QPixmap backupPicture();   // the link picture of the backup and cloud settings
QPixmap historyPicture();  // a clock face
QPixmap logPicture();
QPixmap addPicture();
QPixmap programPicture();

}  // namespace dc
