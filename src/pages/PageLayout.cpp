#include "pages/PageLayout.h"

#include <QFontMetrics>
#include <QLabel>
#include <QWidget>

namespace {
// Some captions run to a whole sentence; wrapped at this many characters the
// fields beside them stay on screen at the window's design size.
constexpr int CaptionChars = 52;
} // namespace

TFieldRows::TFieldRows(QWidget* container) : FGrid(new QGridLayout(container)) {
    FGrid->setHorizontalSpacing(8);
}

void TFieldRows::Add(QWidget* caption, QWidget* field) {
    if (auto* label = qobject_cast<QLabel*>(caption)) {
        // The caption names the field (see TParamPage::ParamCaption).
        label->setBuddy(field);
        // Only a caption too long for one line wraps, in a column of a fixed
        // width (a wrapping label left to itself shrinks to a few words).
        const QFontMetrics metrics(label->font());
        const int width = metrics.averageCharWidth() * CaptionChars;
        if (metrics.horizontalAdvance(label->text()) > width) {
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            label->setFixedWidth(width);
            // Room for every line, also in the bold face of a changed value
            // (the grid alone gives a wrapped label too few lines).
            QFont bold = label->font();
            bold.setBold(true);
            label->setMinimumHeight(
                QFontMetrics(bold)
                    .boundingRect(QRect(0, 0, width, 0), Qt::TextWordWrap, label->text())
                    .height());
        }
    }
    FGrid->addWidget(caption, FRow, 0, Qt::AlignRight | Qt::AlignVCenter);
    FGrid->addWidget(field, FRow, 1, Qt::AlignLeft | Qt::AlignVCenter);
    ++FRow;
}

void TFieldRows::AddWide(QWidget* widget) {
    FGrid->addWidget(widget, FRow, 0, 1, 2);
    ++FRow;
}

void TFieldRows::Finish() {
    FGrid->setRowStretch(FRow, 1);
    FGrid->setColumnStretch(2, 1);
}

void SetFieldChars(QWidget* field, int chars) {
    const QFontMetrics fm(field->font());
    field->setMinimumWidth(fm.horizontalAdvance(QLatin1Char('0')) * chars + 16);
}
