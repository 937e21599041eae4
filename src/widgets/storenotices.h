#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace store {
class Connection;
}

// What a seat is told about its store: once, that a data file on a network file system works,
// slower and with the rollback journal, but seats on several machines belong on a PostgreSQL
// server; and once per break, that the connection to the server was lost and is being made
// again.
namespace StoreNotices {

void showOnce(QWidget *parent, const store::Connection &db);

// Tells the user once when the server goes away under the seat (a message box when the seat
// is next idle, unless a failing command has told it already) and puts the state of the
// connection into `status` while it lasts.
void watchConnection(QWidget *window, store::Connection &db, std::function<void(const QString &)> status);
// True for the first one to ask after the connection broke: that one tells the user.
bool claimLossNotice();

} // namespace StoreNotices
