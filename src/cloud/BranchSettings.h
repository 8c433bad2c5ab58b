#pragma once

#include <QString>

#include <optional>

namespace dc {

class Connection;

// The branch settings of a company, rows 168 to 172 of its own settings table.

// The items of the "Datos a subir" check list, in order.
enum BranchItem : int {
    ItemSendSales = 0,          // row 168
    ItemSendCatalogue = 1,      // row 170 = "1"
    ItemDownloadCatalogue = 2,  // row 170 = "2"
    ItemSendStock = 3,          // row 171
    ItemSendDetailedSales = 4,  // row 172
};

// The Valor of one branch row; a missing row reads as the empty text.
QString readBranchSetting(Connection& company, int row);

// "1" for a ticked item, "0" otherwise (rows 168, 171, 172).
QString branchFlagValue(bool ticked);

// Row 170 from the two catalogue items: "1" send, "2" download, "0" neither;
// nothing when both are ticked, which is not allowed.
std::optional<QString> catalogueValue(bool send, bool download);

}  // namespace dc
