#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <vector>

// A text file of the INI kind, written the way such files are written on the desktop: a key
// written into a section replaces its value where it stands or is added at the end of the
// section; every other line of the file (other sections, comments) stays as it was. Lines
// are "key=value" exactly, in UTF-8, so Chinese text reads back as it was written.
class IniFile
{
  public:
    // Reads the file when it exists; a missing file starts empty. Throws store::StoreError when
    // the file is there but cannot be read.
    explicit IniFile(const QString &path);

    void setValue(const QString &section, const QString &key, const QString &value);
    // Writes the whole file at once (never half a file). Throws store::StoreError.
    void save() const;

  private:
    struct Section {
        QByteArray header; // the "[name]" line as it stands; empty for lines before any section
        QByteArray name;   // lower case, for matching without letter case
        QList<QByteArray> lines;
        QHash<QByteArray, int> keys; // lower-case key -> its line
    };

    void parse(const QByteArray &content);
    Section &section(const QString &name);
    static QByteArray keyOf(const QByteArray &line);

    QString m_path;
    QByteArray m_bom;
    QByteArray m_eol = "\r\n";
    std::vector<Section> m_sections;
};
