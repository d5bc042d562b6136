#include "model/source_file.h"

#include "decode/record_hash.h"

namespace zx::model {

SourceFile SourceFile::make(QString name, QString text, std::optional<QString> url,
                            QString savedText, TextFormat format, std::optional<FileDigest> disk) {
  return SourceFile{QUuid::createUuid(),  std::move(name), std::move(text), std::move(url),
                    std::move(savedText), format,          std::move(disk)};
}

SourceFile::Kind SourceFile::kindOf(const QString& name, const QString& text) {
  if (name.endsWith(QStringLiteral(".kelolib"))) return Kind::library;
  if (text.startsWith(QStringLiteral("indicator")) ||
      text.contains(QStringLiteral("\nindicator "))) {
    return Kind::indicator;
  }
  return Kind::bot;
}

QString SourceFile::kindLabel(Kind kind) {
  switch (kind) {
    case Kind::bot:
      return QStringLiteral("Bot");
    case Kind::indicator:
      return QStringLiteral("Indicator");
    case Kind::library:
      return QStringLiteral("Library");
  }
  return {};
}

QString SourceFile::baseName(Kind kind) {
  switch (kind) {
    case Kind::bot:
      return QStringLiteral("untitled-bot.kelo");
    case Kind::indicator:
      return QStringLiteral("untitled-indicator.kelo");
    case Kind::library:
      return QStringLiteral("untitled.kelolib");
  }
  return {};
}

size_t qHash(const TextFormat& format, size_t seed) {
  return qHashMulti(seed, format.crlf, format.bom);
}

size_t qHash(const FileDigest& digest, size_t seed) {
  return qHashMulti(seed, digest.size, digest.sha256);
}

size_t qHash(const SourceFile& file, size_t seed) {
  seed = qHashMulti(seed, file.id, file.name, file.text);
  seed = decode::hashOptional(seed, file.url);
  seed = qHashMulti(seed, file.savedText, file.format);
  return decode::hashOptional(seed, file.disk);
}

}  // namespace zx::model
