#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>

namespace importing
{

// Why a file cannot be read, in words for the user.
struct ReadError {
    QString text;
};

// A table in a file, read row by row from its first row to its last, so that a sheet of a
// million rows costs no more memory than one of ten. Cells come as the file holds them: a
// text as QString, a number as double, a date as QDate or QDateTime, a yes/no as bool, and
// an empty cell as an invalid QVariant. Every failure throws ReadError.
class SheetReader
{
  public:
    struct Row {
        qint64 number = 0; // as the spreadsheet program numbers it: the first row is 1
        QVector<QVariant> cells;
    };

    virtual ~SheetReader() = default;

    // The reader for a file, chosen by what the file holds (a workbook, an encrypted or old
    // Office file, or text), its name deciding only between what content cannot tell.
    static std::unique_ptr<SheetReader> openFile(const QString &path);
    // The same for a file already in memory; `name` stands for its file name.
    static std::unique_ptr<SheetReader> openBuffer(const QByteArray &data,
                                                   const QString &name = QString());

    // The sheets to choose from; a text file has one.
    virtual QStringList sheetNames() const = 0;
    // The sheet that opens when none is chosen (the first visible one).
    virtual int defaultSheet() const { return 0; }
    // Starts reading `sheet` from its first row.
    virtual void selectSheet(int sheet) = 0;
    // The next row that holds anything; false after the last one.
    virtual bool next(Row &row) = 0;
    // How far the reading has come, from 0 to 1.
    virtual double progress() const = 0;

  protected:
    // For readers of a file on disk: the file as it was when it was opened.
    void rememberFile(const QString &path);
    // Throws when the file is gone or changed since it was opened: what was read may then be
    // a mix of two files, or less than the file held.
    void checkFileUnchanged() const;

  private:
    QString m_path;
    qint64 m_size = -1;
    QDateTime m_modified;
};

// A cell's value as text, as a spreadsheet program would show it without its format: whole
// numbers without decimals, dates as yyyy-MM-dd (with the time when it has one).
QString cellText(const QVariant &cell);

} // namespace importing
