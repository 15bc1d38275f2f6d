#include "RecentCombo.h"

namespace movrel {

TRecentCombo::TRecentCombo(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setDuplicatesEnabled(true);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
}

QStringList TRecentCombo::Items() const
{
    QStringList out;
    for (int i = 0; i < count(); ++i)
        out << itemText(i);
    return out;
}

void TRecentCombo::SetItems(const QStringList& items)
{
    QString text = currentText();
    clear();
    addItems(items);
    setEditText(text);
}

}  // namespace movrel
