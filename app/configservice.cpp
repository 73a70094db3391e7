#include "app/configservice.h"

#include "data/dict.h"

std::shared_ptr<ConfigService> ConfigService::instance()
{
    // Made on first use, so nothing touches the database before the connections exist.
    static std::shared_ptr<ConfigService> service = std::make_shared<ConfigService>();
    return service;
}

void ConfigService::load()
{
    m_cache.clear();
    const QList<DictPtr> rows = m_dao.listDicts();
    for (const DictPtr &row : rows)
        m_cache.insert(row->dictName, row);
}

QString ConfigService::value(const QString &key, const QString &defaultValue) const
{
    const DictPtr entry = m_cache.value(key);
    if (!entry || entry->dictValue.isEmpty())
        return defaultValue;
    return entry->dictValue;
}

void ConfigService::setValue(const QString &key, const QString &value, const QString &defaultValue)
{
    const QString text = value.isEmpty() ? defaultValue : value;
    DictPtr entry = m_cache.value(key);
    if (entry && entry->dictId > 0) {
        entry->dictValue = text;
        written(m_dao.updateDict(entry));
        return;
    }
    // A key whose earlier insert failed has no row yet: insert it again rather than update
    // a row that does not exist, so the value is not lost for good.
    entry = std::make_shared<Dict>();
    entry->dictName = key;
    entry->dictValue = text;
    entry->dictDesc = key;
    entry->sortNum = 0;
    written(m_dao.insertDict(entry));
    m_cache.insert(entry->dictName, entry);
}

void ConfigService::setWriteFailedHandler(const std::function<void(const QString &reason)> &handler)
{
    m_writeFailed = handler;
}

void ConfigService::written(bool ok)
{
    if (ok || m_failureTold || !m_writeFailed)
        return;
    m_failureTold = true;
    m_writeFailed(m_dao.lastError());
}
