#pragma once

#include "profile.h"

#include <QList>
#include <QString>
#include <QStringList>

// Where the user's import profiles live and how they are found, read and
// saved: one JSON file per profile, named after the profile, in
// $XDG_CONFIG_HOME/nerufa-slip/profiles/ (~/.config/... by default).
namespace nerufa::batch {

QString profileFolder();

// Every profile there is: the user's, newest first, then the built-in
// ones. A file that cannot be used is left out and said in `problems`.
struct ProfileShelf {
    QList<Profile> profiles;
    QStringList problems;
};
ProfileShelf loadProfiles(const QString &folder = profileFolder());

// One profile file, named after the file.
ProfileRead readProfileFile(const QString &path);

// What a --profile argument names: a profile file (a path to an existing
// file), else a profile of that name, the user's before a built-in one.
ProfileRead findProfile(const QString &nameOrFile, const QString &folder = profileFolder());

// Saves the profile as `name` in the folder, replacing a profile of that
// name, after reading it back as a loaded profile would be read: a profile
// that would be refused on loading (a value mapped to a value the slip does
// not have) is not saved. Returns the file, or an empty text and the
// Japanese reason in *problem.
QString saveProfile(const Profile &profile, const QString &name, QString *problem,
                    const QString &folder = profileFolder());
// The file a profile of that name is kept in.
QString profileFile(const QString &name, const QString &folder = profileFolder());

} // namespace nerufa::batch
