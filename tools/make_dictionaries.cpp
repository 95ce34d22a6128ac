// Compiles the dictionary sources into DICTIONARYS.BIN and GROUPS.BIN.
// Usage: make_dictionaries <data folder> <output folder>
#include "tools/dictionary_sources.h"

#include <QString>
#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <data folder> <output folder>\n", argv[0]);
        return 2;
    }
    try {
        const talvena::DictionarySources sources = talvena::loadDictionarySources(QString::fromLocal8Bit(argv[1]));
        talvena::writeDictionaryFiles(sources, QString::fromLocal8Bit(argv[2]));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_dictionaries: %s\n", e.what());
        return 1;
    }
    return 0;
}
