#pragma once

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

namespace tavrix {

// A path walked one component at a time from folder descriptors the walk holds, following
// symbolic links as the kernel does, except that a link inside a folder that is both sticky and
// writable by everyone (/tmp, /var/tmp) is followed only when it belongs to the user running
// the program (its effective uid) or to the folder's owner. That is the kernel's protected-links
// rule, kept here whatever /proc/sys/fs/protected_symlinks says, so a link another user planted
// never makes the program write where it points. Every component is walked so, not only the
// last: a planted link anywhere on the way stops the walk.
//
// Links inside /proc (a process's descriptors and working folder, reached for example through
// /dev/stdout) name objects rather than paths: the kernel follows those itself.
class WalkedPath {
 public:
  WalkedPath() = default;
  ~WalkedPath();
  WalkedPath(const WalkedPath&) = delete;
  WalkedPath& operator=(const WalkedPath&) = delete;

  // Walks `path`. A last component that does not exist is no failure (exists() is then false);
  // anything else that stops the walk returns false with the reason, in words for the user
  // (the system's text, or why a link was not followed).
  bool walk(const QString& path, QString* reason);

  bool exists() const { return exists_; }
  // What the path names, links followed (valid when exists()).
  const struct stat& status() const { return status_; }
  // The folder that holds the last component (an O_PATH descriptor owned by this object) and
  // the component's name in it; -1 when the object was reached through a /proc link.
  int folder() const { return folder_; }
  const QByteArray& leaf() const { return leaf_; }

  // Opens what the path names for `flags`, never following a link there, and checks that it is
  // still the object the walk found; -1 with errno set otherwise.
  int openExisting(int flags) const;
  // Whether the folder entry still names the object the walk found (no link, same inode).
  bool stillNames(int fd) const;

 private:
  void reset();

  int folder_ = -1;
  int object_ = -1;  // O_PATH descriptor of what the path names, when it exists
  QByteArray leaf_;
  struct stat status_ {};
  bool exists_ = false;
};

// The system's text for an error number.
QString systemReason(int errnum);

}  // namespace tavrix
