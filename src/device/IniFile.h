#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

namespace tavrix {

// A device file as the program reads it: trimmed lines, ";" comments, sections in file order,
// exact-case names, the first of several sections or keys of one name answering. Read whole by
// `load` (at most 64 MB) and never written. The file's bytes are kept as they are and walked
// line by line for each question, so the reader's memory is the file's size and a little,
// however many sections or keys it holds.
class IniFile {
 public:
  // A missing file reads as a file with no sections, silently. One that exists and cannot be
  // read (no permission, not a regular file, larger than the limit) reads the same, and
  // `problem` says why.
  static IniFile load(const QString& path, QString* problem = nullptr);
  static IniFile parse(const QByteArray& text);

  // Section names in file order, duplicates included.
  QStringList sectionNames() const;

  // The value of a key in the first section of that name; nullopt when absent.
  std::optional<QString> value(const QString& section, const QString& key) const;
  // The same, for a file name: kept as its bytes are (see FileNames).
  std::optional<QString> fileName(const QString& section, const QString& key) const;

  // Integer keys: 1024, -5, $400, 0x400 or 0X400; anything else, or an absent key, gives `def`.
  qint32 readInteger(const QString& section, const QString& key, qint32 def) const;
  // Text keys: the value as written; an absent key gives `def`, an empty value empty text.
  QString readString(const QString& section, const QString& key, const QString& def) const;

  // The integer forms of the file; nullopt when the text is not one of them.
  static std::optional<qint32> parseInteger(const QString& text);

  const QByteArray& text() const { return text_; }

  // Makes the section whose header's name starts at `nameOffset` (Lines::nameOffset) the one
  // that reads of `section` answer from, without looking for it from the start of the file.
  // For a walk over every section; the caller knows it is the first of its name.
  void focus(const QString& section, qsizetype nameOffset) const;

  // The file's lines in order, as the rules above see them. Each line is read as UTF-8 text
  // (a byte-order mark at its start dropped, bytes that are not UTF-8 read as U+FFFD) and
  // trimmed of white space and control characters at both ends.
  class Lines {
   public:
    enum class Kind { End, Section, Entry };
    explicit Lines(QByteArrayView text) : text_(text) {}
    // From `position` of the text, inside a section already opened.
    Lines(QByteArrayView text, qsizetype position) : text_(text), at_(position), inSection_(true) {}
    // The next section header or key line; comments, empty lines, lines without "=" and the
    // lines before the first section are passed over.
    Kind next();
    // Section: the name between the brackets, trimmed, and where it starts in the text.
    QByteArrayView name() const { return name_; }
    qsizetype nameOffset() const { return name_.data() - text_.data(); }
    // Entry: the text before the first "=" and after it, each trimmed.
    QByteArrayView key() const { return key_; }
    QByteArrayView value() const { return value_; }
    // Where the line just read starts, and where the next one does.
    qsizetype lineStart() const { return lineStart_; }
    qsizetype position() const { return at_; }

   private:
    QByteArrayView text_;
    qsizetype at_ = 0;
    qsizetype lineStart_ = 0;
    bool inSection_ = false;
    QByteArrayView name_;
    QByteArrayView key_;
    QByteArrayView value_;
  };

  // A section header's name where it starts at `offset` of `text` (Lines::nameOffset).
  static QByteArrayView nameAt(QByteArrayView text, qsizetype offset);
  // The text of a name or value of the file.
  static QString decode(QByteArrayView bytes);

  // A name looked for in the file, compared as the file's text reads.
  class Name {
   public:
    explicit Name(const QString& name);
    bool matches(QByteArrayView bytes) const;

   private:
    QString text_;
    QByteArray utf8_;
    bool exact_;  // reading utf8_ gives text_ back
  };

 private:
  // The lines of the first section of that name, [begin, end) of the text, found once for
  // all the keys asked of it.
  struct Body {
    QString section;
    bool present = false;
    qsizetype begin = 0;
    qsizetype end = 0;
  };
  Body body(const QString& section) const;
  // The trimmed value of the first line of the body whose key is `key`.
  std::optional<QByteArrayView> find(const QString& section, const QString& key) const;

  QByteArray text_;
  mutable std::optional<Body> lastBody_;
};

}  // namespace tavrix
