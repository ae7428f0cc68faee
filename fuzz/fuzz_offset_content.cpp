// libFuzzer target: the offset-file reading rule on arbitrary bytes.
//
// Every input must give a number or a RuntimeError of kind TypeMismatch or
// Overflow. The outcome must also not depend on how lines end: the same
// lines with CR LF, LF or lone CR line ends, or with one more line end at
// the close, read the same, since lines are joined with nothing between.
#include "offsetfiles.h"
#include "runtimeerror.h"

#include <QByteArray>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <variant>

namespace {

using Outcome = std::variant<std::int32_t, nerufa::RuntimeError::Kind>;

Outcome parse(const QByteArray &bytes)
{
    try {
        return nerufa::offsets::parseOffsetContent(bytes);
    } catch (const nerufa::RuntimeError &e) {
        if (e.kind() != nerufa::RuntimeError::Kind::TypeMismatch
            && e.kind() != nerufa::RuntimeError::Kind::Overflow) {
            std::fprintf(stderr, "unexpected error kind %d\n", int(e.kind()));
            std::abort();
        }
        return e.kind();
    } catch (...) {
        std::fprintf(stderr, "unexpected exception\n");
        std::abort();
    }
}

void expectSame(const Outcome &a, const Outcome &b, const char *what)
{
    if (a != b) {
        std::fprintf(stderr, "outcome changed by %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const Outcome outcome = parse(bytes);
    if (bytes.isEmpty()) {
        expectSame(outcome, Outcome(std::int32_t(0)), "nothing (0-byte file)");
        return 0;
    }

    // The same lines, every line end written as CR LF.
    QByteArray crlf = bytes;
    crlf.replace("\r\n", "\n").replace('\r', '\n').replace("\n", "\r\n");
    expectSame(outcome, parse(crlf), "CR LF line ends");

    expectSame(outcome, parse(bytes + "\r\n"), "a closing line end");
    return 0;
}
