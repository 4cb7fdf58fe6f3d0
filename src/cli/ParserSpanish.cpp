#include "ParserSpanish.h"

#include <cstring>

#include "CliTexts.h"

namespace tavrix::cli {

QString ParserSpanish::translate(const char* context, const char* sourceText, const char*,
                                 int) const {
  if (!context || !sourceText || std::strcmp(context, "QCommandLineParser") != 0) return {};
  return texts::parserText(sourceText);
}

}  // namespace tavrix::cli
