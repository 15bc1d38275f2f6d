// The look shared by the small dialogs: a fixed border at least as large as
// the dialog's design size, and bold or emphasised label text.
#pragma once

#include <QDialog>
#include <QFont>
#include <QLabel>

namespace movrel {

// Fixes the dialog's size: its layout's size, at least width x height.
inline void FixDialogSize(QDialog* dialog, int width, int height)
{
    dialog->adjustSize();
    dialog->setFixedSize(dialog->sizeHint().expandedTo(QSize(width, height)));
}

inline QLabel* BoldLabel(const QString& text, QWidget* parent = nullptr)
{
    auto* label = new QLabel(text, parent);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

}  // namespace movrel
