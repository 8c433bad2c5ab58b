#pragma once

#include <QPixmap>

namespace dc {

// Starts reading the large pictures on a thread of their own, so that they
// are ready when the window is built; without it they are read when first
// asked for.
void preloadPictures();

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
