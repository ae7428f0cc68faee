#pragma once

// What every test shares: the guard that keeps one bad data row from
// hiding the others, the one filled slip the print tests use, writing a
// file and running the real program.

#include "slipsnapshot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <exception>
#include <stdexcept>
#include <source_location>
#include <string>

namespace nerufa::testsupport {

// Runs the body of a test function for the current data row. Qt Test ends
// the whole run when an exception leaves a test function, so the rows
// after it never report. Here an exception that escapes the body fails
// only the row it escaped from, with its message, and the next row runs.
//
// qFatal is not turned into a failure: in Qt 6 it is noexcept and aborts
// as soon as the message handler returns, so a handler could only leave it
// by longjmp, skipping the destructors of everything the row made (undefined
// behaviour, and leaks the sanitizer run would report). Qt Test's own
// handler already names the function and row that hit it. The tests'
// helpers therefore throw instead of calling qFatal.
template <typename Body>
void guardRow(Body &&body, const std::source_location &where = std::source_location::current())
{
    try {
        body();
    } catch (const std::exception &e) {
        QTest::qFail(("unexpected exception: " + std::string(e.what())).c_str(), where.file_name(), int(where.line()));
    } catch (...) {
        QTest::qFail("unexpected exception of an unknown kind", where.file_name(), int(where.line()));
    }
}

// A slip with every field filled and every optional item shown, offsets
// neutral (30 and 70), "希望なし" and "必要" chosen. The recipient's postal
// code is short of its seven boxes, the sender's runs past them. No two
// texts are alike, so each can be found on a printed page.
inline SlipSnapshot filledSlip()
{
    return {.offsetXText = "30", .offsetYText = "70",
            .recipientPostal = "12345", .recipientAddress1 = "東京都千代田区", .recipientAddress2 = "丸の内1-1",
            .recipientName = "山田太郎", .recipientCareOf = "佐藤様方", .recipientCareOfVisible = true,
            .recipientPhone = "03-1111-2222",
            .senderPostal = "678-90000", .senderAddress1 = "大阪府大阪市", .senderAddress2 = "北区梅田3-3",
            .senderName = "鈴木花子", .senderCareOf = "田中様方", .senderCareOfVisible = true,
            .senderPhone = "06-3333-4444",
            .desiredMonth = "03", .desiredMonthVisible = true, .desiredDay = "15", .desiredDayVisible = true,
            .timeSlot = 6, .notification = 1,
            .goods1 = "りんご", .goods2 = "みかん", .productNumber1 = "A-100", .productNumber2 = "B-200",
            .numericToggleDown = true, .quantity1 = "10", .quantity2 = "12", .unitPrice1 = "4000",
            .unitPrice2 = "500", .amount1 = "40000", .amount2 = "6000", .total = "46000"};
}

// Writes a whole file, making its folder; throws (failing the row) when
// that cannot be done.
inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

// A whole file's bytes; empty when it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What a run of a program said (standard output, then standard error) and
// how it ended; status -1 when it did not end normally within a minute.
struct ProgramRun {
    int status = -1;
    QString said;
};
inline ProgramRun runProgram(const QString &program, const QStringList &arguments, const QString &folder = {},
                             const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    const bool ended = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit;
    return {ended ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())};
}

} // namespace nerufa::testsupport
