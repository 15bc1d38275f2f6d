#include "IniOut.h"

#include "IniOutValues.h"

#include <QFileInfo>
#include <QWidget>

namespace movrel {

TIniOut::TIniOut(QWidget* owner) : QObject(owner), m_owner(owner)
{
    setObjectName(QStringLiteral("IniOut1"));
}

void TIniOut::SetFileName(const QString& value)
{
    QFileInfo info(value);
    QString base = value;
    if (!info.suffix().isEmpty())
        base.chop(info.suffix().size() + 1);
    m_fileName = (base + ".INI").toUpper();
}

QString TIniOut::Field(const QString& line, int n)
{
    QStringList fields = line.split(';');
    if (n < 1 || n > fields.size())
        return {};
    QString f = fields[n - 1];
    int a = 0, b = int(f.size());
    while (a < b && f[a].unicode() <= 32)
        ++a;
    while (b > a && f[b - 1].unicode() <= 32)
        --b;
    return f.mid(a, b - a);
}

QObject* TIniOut::FindComponent(const QString& name) const
{
    if (!m_owner || name.isEmpty())
        return nullptr;
    if (m_owner->objectName() == name)
        return m_owner;
    const QList<QObject*> all = m_owner->findChildren<QObject*>();
    for (QObject* o : all)
        if (o->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return o;
    return nullptr;
}

void TIniOut::Load()
{
    for (const QString& line : std::as_const(m_items)) {
        QString comp = Field(line, 1), prop = Field(line, 2), key = Field(line, 4), value = Field(line, 5);
        if (comp.isEmpty() && prop.isEmpty() && key.isEmpty() && value.isEmpty())
            continue;
        QObject* target = FindComponent(comp);
        if (!target)
            continue;
        QMetaProperty p = FindProperty(target, prop);
        if (!p.isValid())
            continue;
        std::optional<QString> stored = ReadText(m_root, key, value);
        try {
            ApplyPropertyText(target, p, stored ? *stored : Field(line, 3), m_owner);
        } catch (...) {
            // a text that does not convert leaves the property as it was
        }
    }
}

void TIniOut::Save()
{
    for (const QString& line : std::as_const(m_items)) {
        if (Field(line, 7) == QLatin1String("1"))
            continue;
        QString comp = Field(line, 1), prop = Field(line, 2), key = Field(line, 4), value = Field(line, 5);
        if (comp.isEmpty() && prop.isEmpty() && key.isEmpty() && value.isEmpty())
            continue;
        QObject* target = FindComponent(comp);
        if (!target)
            continue;
        QMetaProperty p = FindProperty(target, prop);
        if (!p.isValid())
            continue;
        try {
            WriteText(m_root, key, value, PropertyText(target, p));
        } catch (...) {
        }
    }
}

}  // namespace movrel
