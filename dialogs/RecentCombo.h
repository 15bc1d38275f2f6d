// TRecentCombo: an editable drop-down whose typed text and list are two
// persisted properties, Text and Items (a list is kept as its lines joined
// with "|"). Typing never adds to the list: the owner decides.
#pragma once

#include <QComboBox>
#include <QStringList>

namespace movrel {

class TRecentCombo : public QComboBox {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
public:
    explicit TRecentCombo(QWidget* parent = nullptr);

    QString Text() const { return currentText(); }
    void SetText(const QString& text) { setEditText(text); }
    QStringList Items() const;
    // Replaces the list; the typed text stays.
    void SetItems(const QStringList& items);
};

}  // namespace movrel
