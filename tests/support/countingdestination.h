#pragma once

#include "pagedestination.h"
#include "runtimeerror.h"

#include <QImage>
#include <QPainter>

namespace nerufa {

// A test double: a destination that paints each page onto a small image and
// counts it, taking it for good at once as a queue does. The n-th delivery
// (1-based) can be made to fail like a queue that refuses a job.
class CountingDestination final : public PageDestination {
public:
    int pages = 0;
    int failAt = 0;

    void deliver(const Painting &paint) override
    {
        if (pages + 1 == failAt)
            throw RuntimeError(RuntimeError::Kind::PrinterError, QStringLiteral("試験用のキューが受け付けませんでした。"));
        QImage page(10, 10, QImage::Format_ARGB32);
        QPainter painter(&page);
        paint(painter);
        m_deliveries.append(Delivery{++pages, false});
    }
    void finish() override {}
    bool deliversAtOnce() const override { return true; }
};

} // namespace nerufa
