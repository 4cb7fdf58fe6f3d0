#include "FileRoles.h"

#include <QList>

#include <sys/stat.h>

#include "CliOptions.h"
#include "CliTexts.h"
#include "device/PathWalk.h"

namespace tavrix::cli {

namespace {

// What a path names, as the program's own opens would reach it.
struct FileIdentity {
  bool known = false;   // the walk failed: the role's own open will say why
  bool exists = false;  // else: the folder it will be made in, and its name there
  dev_t device = 0;
  ino_t inode = 0;
  QByteArray leaf;
  bool charDevice = false;

  bool sameAs(const FileIdentity& other) const {
    return known && other.known && exists == other.exists && device == other.device &&
           inode == other.inode && leaf == other.leaf;
  }
};

FileIdentity identityOf(const QString& path) {
  FileIdentity id;
  WalkedPath place;
  QString reason;
  if (!place.walk(path, &reason)) return id;
  struct stat st {};
  if (place.exists()) {
    st = place.status();
    id.charDevice = S_ISCHR(st.st_mode);
  } else if (place.folder() < 0 || ::fstat(place.folder(), &st) != 0) {
    return id;
  } else {
    id.leaf = place.leaf();
  }
  id.known = true;
  id.exists = place.exists();
  id.device = st.st_dev;
  id.inode = st.st_ino;
  return id;
}

struct Role {
  QString path;
  QString name;
  bool writes;
  FileIdentity id;
};

}  // namespace

QString sharedFileProblem(const CliOptions& options) {
  const QString& command = options.command;
  const bool hex = command == QLatin1String("hex");
  const bool onBoard = !hex && command != QLatin1String("devices");
  QList<Role> roles;
  roles.append({options.iniPath, texts::roleDeviceFile(), false, {}});
  if (command == QLatin1String("write") || command == QLatin1String("verify") || hex)
    roles.append({options.args.value(0), texts::roleHexInput(), false, {}});
  if (command == QLatin1String("read") || hex)
    roles.append({options.args.value(hex ? 1 : 0), texts::roleHexOutput(), true, {}});
  if (onBoard && options.useVirtual())
    roles.append({options.virtualState, texts::roleContentsFile(), true, {}});
  if (onBoard && !options.tracePath.isEmpty())
    roles.append({options.tracePath, texts::roleTrace(), true, {}});

  for (Role& role : roles) role.id = identityOf(role.path);
  for (qsizetype i = 0; i < roles.size(); ++i) {
    for (qsizetype j = i + 1; j < roles.size(); ++j) {
      const Role& a = roles[i];
      const Role& b = roles[j];
      if (!a.writes && !b.writes) continue;
      // hex IN IN: the file is read whole before the new one takes its name.
      if (hex && a.name == texts::roleHexInput() && b.name == texts::roleHexOutput()) continue;
      if (a.id.charDevice || !a.id.sameAs(b.id)) continue;
      return texts::sharedFile(a.name, b.name, a.path, b.path);
    }
  }
  return {};
}

}  // namespace tavrix::cli
