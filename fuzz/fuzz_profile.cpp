// libFuzzer target: the import-profile reader on arbitrary bytes.
//
// Every input must be read without a crash, giving a profile or problems.
// A profile that is accepted must point its value tables only at options
// the slip has, and must survive being written and read again: the file
// written for it is read without problems and writes the same bytes.
#include "profile.h"

#include <QByteArray>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void fail(const char *what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const nerufa::batch::ProfileRead read = nerufa::batch::parseProfile(bytes, QStringLiteral("fuzz"));
    if (!read.problems.isEmpty())
        return 0;
    for (const nerufa::slip::Field &field : nerufa::slip::fields())
        for (const nerufa::batch::ValueRule &rule : read.profile.sources[size_t(field.id)].values)
            if (rule.choice && (*rule.choice < 1 || size_t(*rule.choice) > field.items.size()))
                fail("a value table points at an option the slip does not have");

    const QByteArray written = nerufa::batch::profileJson(read.profile);
    const nerufa::batch::ProfileRead again = nerufa::batch::parseProfile(written, QStringLiteral("fuzz"));
    if (!again.problems.isEmpty())
        fail("the file written for an accepted profile is refused");
    if (nerufa::batch::profileJson(again.profile) != written)
        fail("writing the profile read back gives other bytes");
    return 0;
}
