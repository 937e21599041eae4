#pragma once

class QWidget;

namespace store {
class Connection;
}

// What a seat is told once about where its store lies: a data file on a network file system
// works, slower and with the rollback journal, but seats on several machines belong on a
// PostgreSQL server.
namespace StoreNotices {

void showOnce(QWidget *parent, const store::Connection &db);

} // namespace StoreNotices
