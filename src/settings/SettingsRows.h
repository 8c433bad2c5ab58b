#pragma once

namespace dc {

// Rows of the settings table, named by their fixed number.
enum SettingsRow : int {
    RowServer = 1,
    RowBackupUser = 2,
    RowBackupPassword = 3,
    RowBackupTime = 4,
    RowBackupsOn = 5,
    RowSystem = 6,
    RowCloudOn = 7,
    RowCloudServer = 8,
    RowCloudOutUser = 9,
    RowCloudOutPassword = 10,
    RowCloudInUser = 11,
    RowCloudInPassword = 12,
    RowCloudInterval = 13,
    // Added after the first installations (datacenter-setup adds them to an
    // existing database): how each service's FTP connection is protected,
    // "0" plain, "1" TLS when the server offers it, "2" TLS required.
    RowBackupTls = 14,
    RowCloudTls = 15,
    // Branch settings, in the selected company's own database.
    RowSendSales = 168,
    RowBranchName = 169,
    RowCatalogue = 170,
    RowSendStock = 171,
    RowSendDetailedSales = 172,
};

}  // namespace dc
