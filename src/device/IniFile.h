#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tavrix {

// A device file as the program reads it: trimmed lines, ";" comments, sections in file
// order, exact-case names. Read whole by `load` and never written.
class IniFile {
 public:
  // A missing, unreadable or non-regular file reads as a file with no sections.
  static IniFile load(const QString& path);
  static IniFile parse(const QByteArray& text);

  // Section names in file order, duplicates included.
  QStringList sectionNames() const;

  // The value of a key in the first section of that name; nullopt when absent.
  std::optional<QString> value(const QString& section, const QString& key) const;

  // Integer keys: 1024, -5, $400, 0x400 or 0X400; anything else, or an absent key, gives `def`.
  qint32 readInteger(const QString& section, const QString& key, qint32 def) const;
  // Text keys: the value as written; an absent key gives `def`, an empty value empty text.
  QString readString(const QString& section, const QString& key, const QString& def) const;

  // The integer forms of the file; nullopt when the text is not one of them.
  static std::optional<qint32> parseInteger(const QString& text);

 private:
  struct Entry {
    QString key;
    QString value;
  };
  struct Section {
    QString name;
    QList<Entry> entries;
  };
  const Section* find(const QString& name) const;

  QList<Section> sections_;
};

}  // namespace tavrix
