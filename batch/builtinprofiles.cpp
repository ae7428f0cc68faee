// The profiles that come with the program. Each is kept as the same JSON a
// user's profile is written in (batch/profiles/), built into the program,
// so that a copy of the file in the user's profile folder behaves exactly
// like the built-in one and can be changed from there.
#include "profile.h"

#include "builtinprofiles_data.h"

namespace nerufa::batch {

QList<Profile> builtInProfiles()
{
    static const QList<Profile> profiles = [] {
        QList<Profile> list;
        for (const auto &[name, json] : kBuiltInProfileJson) {
            ProfileRead read = parseProfile(QByteArray(json), QString::fromUtf8(name));
            read.profile.builtIn = true;
            if (read.problems.isEmpty()) // a test keeps every built-in readable
                list << read.profile;
        }
        return list;
    }();
    return profiles;
}

} // namespace nerufa::batch
