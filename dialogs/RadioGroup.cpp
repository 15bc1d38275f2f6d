#include "RadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

namespace movrel {

TRadioGroup::TRadioGroup(const QString& title, const QStringList& items, int columns, QWidget* parent)
    : QGroupBox(title, parent), m_group(new QButtonGroup(this))
{
    auto* grid = new QGridLayout(this);
    int rows = columns > 0 ? (int(items.size()) + columns - 1) / columns : int(items.size());
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        b->setObjectName(QStringLiteral("Item%1").arg(i));
        m_group->addButton(b, i);
        m_buttons << b;
        // filled column by column, as the original control does
        grid->addWidget(b, rows > 0 ? i % rows : 0, rows > 0 ? i / rows : i);
    }
    connect(m_group, &QButtonGroup::idClicked, this, &TRadioGroup::Clicked);
}

int TRadioGroup::ItemIndex() const
{
    return m_group->checkedId();
}

void TRadioGroup::SetItemIndex(int index)
{
    if (QRadioButton* b = m_buttons.value(index)) {
        b->setChecked(true);
        return;
    }
    // exclusive groups refuse to uncheck their last button
    m_group->setExclusive(false);
    for (QRadioButton* b : m_buttons)
        b->setChecked(false);
    m_group->setExclusive(true);
}

}  // namespace movrel
