#include "PageLayout.h"

#include <QFontMetrics>
#include <QWidget>

TFieldRows::TFieldRows(QWidget* container) : FGrid(new QGridLayout(container)) {
    FGrid->setHorizontalSpacing(8);
}

void TFieldRows::Add(QWidget* caption, QWidget* field) {
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
