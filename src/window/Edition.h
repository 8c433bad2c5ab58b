#pragma once

#include "platform/InstallRoot.h"
#include "settings/Database.h"

#include <QSize>
#include <QString>

namespace dc {

// What sets the two programs apart, in one place: what each window shows,
// which databases it opens, which settings it reads and how it backs up.
// Edition 2 shows the category column with its work pages and starts the
// backup tool; edition 1 shows the backup run alone, runs its own engine at
// every start and ends when the run completes.
struct Edition {
    static const Edition One;
    static const Edition Two;

    int number;
    QSize windowSize;
    // Settings rows 1 to this one are brought into the controls at start-up.
    int lastSettingsRow;
    // The category column and its work pages; without it, the backup page fills the window.
    bool categories;
    // Edition 1 opens both of its databases while the window is built.
    bool opensDatabasesAtBuild;
    // Whether backups are expected whatever the switch says (edition 1 backs
    // up at every start; edition 2 while its automatic backups are on).
    bool backsUpAtEveryStart;
    QString pointOfSaleConnection;
    DatabaseRole dataCenterRole;
    DatabaseRole pointOfSaleRole;

    QString dataCenterDb(const InstallRoot& root) const { return root.dataCenterDb(number); }
    QString pointOfSaleDb(const InstallRoot& root) const
    {
        return number == 2 ? root.pointOfSale5Db() : root.pointOfSale4Db();
    }
    bool operator==(const Edition& other) const { return number == other.number; }
};

inline const Edition Edition::One{1,     QSize(502, 414), 6, false, true, true, QStringLiteral("CnnPdv4"),
                                  DatabaseRole::DataCenterEdition1, DatabaseRole::PointOfSale4};
inline const Edition Edition::Two{2,     QSize(703, 436), 13, true, false, false, QStringLiteral("CnnPdv"),
                                  DatabaseRole::DataCenter, DatabaseRole::PointOfSale};

}  // namespace dc
