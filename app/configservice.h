#pragma once

#include "data/dao.h"

#include <QHash>
#include <QString>
#include <memory>

// The string key/value settings over the dict table of "config.db". Reads come from memory;
// writes go to the database at once. GUI thread only.
class ConfigService
{
public:
    static std::shared_ptr<ConfigService> instance();

    void load();
    QString value(const QString &key, const QString &defaultValue = QString()) const;
    void setValue(
        const QString &key, const QString &value, const QString &defaultValue = QString());

private:
    Dao m_dao;
    QHash<QString, DictPtr> m_cache;
};
