#include "support/databasefixture.h"

#include "data/databaseregistry.h"
#include "support/testapp.h"
#include "support/testsupport.h"

DatabaseFixture::DatabaseFixture()
{
    ApplicationBase::deleteInstance();
    ApplicationBase::setInstance(new TestApp(TestSupport::binDir(), m_dir.path()));
    DatabaseRegistry::create();
    m_ok = m_dir.isValid() && DatabaseRegistry::bootstrapDatabases()
        && DatabaseRegistry::isRegistered(true) && DatabaseRegistry::isRegistered(false);
}

DatabaseFixture::~DatabaseFixture()
{
    DatabaseRegistry::release();
    ApplicationBase::deleteInstance();
}

bool DatabaseFixture::restart()
{
    DatabaseRegistry::release();
    DatabaseRegistry::create();
    return DatabaseRegistry::bootstrapDatabases();
}
