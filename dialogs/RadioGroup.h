// TRadioGroup: a titled group of exclusive radio buttons laid out in
// columns, whose choice is one number, ItemIndex (-1: none), so that it is
// kept as a persisted property like any other.
#pragma once

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

namespace movrel {

class TRadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex)
public:
    TRadioGroup(const QString& title, const QStringList& items, int columns, QWidget* parent = nullptr);

    int ItemIndex() const;
    // An index out of range checks nothing.
    void SetItemIndex(int index);
    QRadioButton* Button(int index) const { return m_buttons.value(index); }
    int Count() const { return int(m_buttons.size()); }

signals:
    void Clicked(int index);

private:
    QButtonGroup* m_group;
    QList<QRadioButton*> m_buttons;
};

}  // namespace movrel
