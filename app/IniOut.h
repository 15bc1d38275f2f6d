// TIniOut: keeps named properties of a window's controls in the settings
// store. Each item line names a control (or the window itself), one of its
// properties and a value, seven fields separated by ";":
//
//   component;property;default;key path;value name;1;load-only
//
// Load sets every listed property from the stored text, or from the
// default when nothing is stored; Save writes every line whose seventh field
// is not "1". Controls are found by objectName (without regard to case; the
// window's own name must match exactly), properties through Qt's property
// system by name (without regard to case). A line whose control or property
// is missing is skipped; a text that does not convert is ignored, line by
// line, without a message. The value texts per kind are in IniOutValues.h.
#pragma once

#include "Settings.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QWidget;

namespace movrel {

class TIniOut : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString FileName READ FileName WRITE SetFileName)
    Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
    Q_PROPERTY(movrel::TRegRoots RegistryRoot READ RegistryRoot WRITE SetRegistryRoot)

public:
    // owner: the window whose controls the lines name.
    explicit TIniOut(QWidget* owner);

    // Kept as given with its extension replaced by ".INI", upper-cased;
    // loading and saving do not use it.
    QString FileName() const { return m_fileName; }
    void SetFileName(const QString& value);

    QStringList Items() const { return m_items; }
    void SetItems(const QStringList& lines) { m_items = lines; }

    TRegRoots RegistryRoot() const { return m_root; }
    void SetRegistryRoot(TRegRoots root) { m_root = root; }

    void Load();
    void Save();

    // Field n (1..7) of an item line, trimmed of characters of code 32 or
    // less; empty when the line has fewer fields.
    static QString Field(const QString& line, int n);

private:
    QObject* FindComponent(const QString& name) const;

    QWidget* m_owner;
    QString m_fileName;
    QStringList m_items;
    TRegRoots m_root = CURRENT_USER;
};

}  // namespace movrel
