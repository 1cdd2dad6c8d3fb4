#include "SqliteEngine.h"

#include "SqliteConnection.h"

const CEngine& CEngine::File() {
    static const CSqliteEngine engine;
    return engine;
}

bool CSqliteEngine::Serves(const std::string& location) const {
    return !Server().Serves(location);
}

CEngine::COpened CSqliteEngine::Open(const std::string& location, bool defaultLocation,
                                     const CSignIn*) const {
    // The file holds the verifiers: a person signs in once it is open.
    COpened opened;
    auto file = std::make_unique<CSqliteConnection>();
    if (file->Open(location, defaultLocation, opened.error))
        opened.connection = std::move(file);
    return opened;
}
