#pragma once

#include <QTranslator>

namespace tavrix::cli {

// QCommandLineParser's own texts (its help and version options, the usage lines of the help and
// its errors) in Spanish, like the rest of the tool. It answers for that class's texts only and
// needs no translation file; installed once the application object exists.
class ParserSpanish : public QTranslator {
 public:
  using QTranslator::QTranslator;

  QString translate(const char* context, const char* sourceText,
                    const char* disambiguation = nullptr, int n = -1) const override;
  bool isEmpty() const override { return false; }
};

}  // namespace tavrix::cli
