#pragma once

#include "data/dao.h"

#include <QHash>
#include <QString>
#include <functional>
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

    // Called once, with the driver's text, the first time a value cannot be written; the value
    // still holds in memory until the program ends.
    void setWriteFailedHandler(const std::function<void(const QString &reason)> &handler);

private:
    void written(bool ok);

    Dao m_dao;
    std::function<void(const QString &)> m_writeFailed;
    bool m_failureTold = false;
    QHash<QString, DictPtr> m_cache;
};
