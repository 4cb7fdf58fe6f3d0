#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace tavrix {

// File names are bytes, and not every name is UTF-8. A name held as a QString keeps valid UTF-8
// as text and each byte that is not part of valid UTF-8 as a lone surrogate U+DC80..U+DCFF (the
// byte plus 0xDC00), so every name survives the round trip exactly. Qt's own decoding turns such
// bytes into U+FFFD and loses them: every open, create and rename of a user's file goes through
// nameToBytes instead.
QString nameFromBytes(QByteArrayView bytes);
QByteArray nameToBytes(QStringView name);

// The name as messages show it: each byte that is not text written as \xHH, each control
// character as visibleText() shows it.
QString visibleName(QStringView name);

// The program's arguments as names, argv[0] first.
QStringList namesFromArgv(int argc, const char* const* argv);

// A path that went through Qt's decoding (a file dialog's choice), where bytes that are not
// UTF-8 became U+FFFD. When the path does not exist as given, each component holding U+FFFD is
// matched against the real entries of its folder and replaced by the one entry whose decoded
// name equals it; a component that matches no entry, or several, is left as it is (the path
// then names no file, and opening it says so).
QString resolveDecodedName(const QString& path);

}  // namespace tavrix
