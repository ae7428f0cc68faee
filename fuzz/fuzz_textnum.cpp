// libFuzzer target: the text/number conversions on arbitrary text.
//
// Input: one selector byte, then the text. Bit 0 of the selector picks UTF-16
// (else UTF-8), bits 1-3 the locale (right-to-left ones among them). Every conversion must give a finite
// number or a RuntimeError of kind TypeMismatch or Overflow, and the
// conversions must agree with each other:
//  - toSingle and toInt32 succeed only where toDouble does, and stay close
//    to its value;
//  - formatGeneral's text reads back to (nearly) the same double.
#include "runtimeerror.h"
#include "textnum.h"

#include <QLocale>
#include <QString>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace tn = nerufa::textnum;
using nerufa::RuntimeError;

namespace {

[[noreturn]] void fail(const char *what, const QString &text)
{
    std::fprintf(stderr, "%s: [%s]\n", what, text.toUtf8().constData());
    std::abort();
}

// The conversion's result, or nullopt for a RuntimeError of a documented
// kind; anything else aborts.
template<typename F>
auto attempt(F f, const QString &text) -> std::optional<decltype(f())>
{
    try {
        return f();
    } catch (const RuntimeError &e) {
        if (e.kind() != RuntimeError::Kind::TypeMismatch && e.kind() != RuntimeError::Kind::Overflow)
            fail("unexpected error kind", text);
        return std::nullopt;
    } catch (...) {
        fail("unexpected exception", text);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const QLocale locales[] = {QLocale(QLocale::Japanese, QLocale::Japan),
                                      QLocale(QLocale::German, QLocale::Germany),
                                      QLocale(QLocale::French, QLocale::France), QLocale::c(),
                                      QLocale(QLocale::Arabic, QLocale::Egypt),
                                      QLocale(QLocale::Hebrew, QLocale::Israel),
                                      QLocale(QLocale::Persian, QLocale::Iran),
                                      QLocale(QLocale::Urdu, QLocale::Pakistan)};
    const std::uint8_t selector = data[0];
    const QLocale &locale = locales[(selector >> 1) & 7];
    ++data;
    --size;

    QString text;
    if (selector & 1) {
        // Copied, not cast: the input need not be aligned for char16_t.
        text.resize(qsizetype(size / 2));
        std::memcpy(text.data(), data, (size / 2) * 2);
    } else {
        text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    }

    const auto d = attempt([&] { return tn::toDouble(text, {}, locale); }, text);
    const auto f = attempt([&] { return tn::toSingle(text, {}, locale); }, text);
    const auto i = attempt([&] { return tn::toInt32(text, {}, locale); }, text);

    if (d && !std::isfinite(*d))
        fail("toDouble gave a value that is not finite", text);
    if ((f || i) && !d)
        fail("toSingle or toInt32 read a text toDouble rejects", text);
    if (f && (!std::isfinite(*f) || std::fabs(double(*f) - *d) > std::fabs(*d) * 1e-7 + 1e-38))
        fail("toSingle strays from toDouble", text);
    if (i && std::fabs(double(*i) - *d) > 0.5)
        fail("toInt32 is not the nearest whole number", text);

    if (d) {
        const auto formatted = attempt([&] { return tn::formatGeneral(*d, locale); }, text);
        if (!formatted)
            fail("formatGeneral refused a finite value", text);
        // 15 significant digits may round a value next to the double
        // maximum past it; Overflow is then the right answer.
        const auto back = attempt([&] { return tn::toDouble(*formatted, {}, locale); }, *formatted);
        if (back && std::fabs(*back - *d) > std::fabs(*d) * 1e-14)
            fail("formatGeneral does not read back", *formatted);
        if (!back && std::fabs(*d) < 1e308)
            fail("formatGeneral text is not a number", *formatted);
    }
    return 0;
}
