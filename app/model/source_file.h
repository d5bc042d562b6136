// One open document, and the kinds of document a user can make.
#pragma once

#include <QHashFunctions>
#include <QString>
#include <QUuid>
#include <optional>

#include "model/text_files.h"

namespace zx::model {

struct SourceFile {
  // In the order the New menu lists them.
  enum class Kind { bot, indicator, library };

  QUuid id;      // fixed for the document's life; lists find a document by it
  QString name;  // display name with extension; the file name once read or saved
  QString text;
  std::optional<QString> url;  // absolute cleaned local path; none until first saved
  QString savedText;           // the text as last read or written (empty for a new document)
  TextFormat format;           // how the file on disk stores its text
  // What the file held when last read or written; a save asks before replacing other bytes.
  std::optional<FileDigest> disk;

  // A fresh id; everything else as given.
  static SourceFile make(QString name, QString text, std::optional<QString> url, QString savedText,
                         TextFormat format = {}, std::optional<FileDigest> disk = std::nullopt);

  // Library by name (".kelolib", case-sensitive); else indicator when the text starts
  // with "indicator" or has a line that starts with "indicator "; else bot.
  static Kind kindOf(const QString& name, const QString& text);
  Kind kind() const { return kindOf(name, text); }
  // "Bot", "Indicator" or "Library".
  static QString kindLabel(Kind kind);
  QString kindLabel() const { return kindLabel(kind()); }

  bool hasUnsavedChanges() const { return text != savedText; }

  // "untitled-bot.kelo", "untitled-indicator.kelo", "untitled.kelolib".
  static QString baseName(Kind kind);
  // The text a new document of `kind` starts with.
  static QString templateText(Kind kind);
  // The Golden Cross bot every launch opens (34 lines, no final line feed).
  static QString sampleText();
  static QString sampleName() { return QStringLiteral("golden-cross.kelo"); }

  friend bool operator==(const SourceFile&, const SourceFile&) = default;
};

// Every field; an absent url hashes apart from any present one.
size_t qHash(const SourceFile& file, size_t seed = 0);
size_t qHash(const TextFormat& format, size_t seed = 0);
size_t qHash(const FileDigest& digest, size_t seed = 0);

}  // namespace zx::model
