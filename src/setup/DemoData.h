#pragma once

#include "platform/InstallRoot.h"

#include <QStringList>

namespace dc {
class Connection;
}

namespace dc::demo {

// Sample settings, log entries and user rows of a data-center database.
void fillDataCenter(Connection& c, const InstallRoot& root, int edition);
// Months of sales, a product catalogue (some inactive) and pending actions.
void fillCompany(Connection& c, int companyId);
// Files in the folders that the backup list names.
void fillFiles(const InstallRoot& root, QStringList& report);

}  // namespace dc::demo
