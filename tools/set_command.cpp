#include "tools/set_command.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "model/data_module.h"
#include "model/field_schema.h"
#include "model/passport_rules.h"
#include "model/table_schemas.h"

#include <QFile>
#include <cstdio>
#include <string>

namespace talvena {

namespace {

int usage(const std::string& problem)
{
    std::fprintf(stderr, "talvena-psp: %s\nUsage: talvena-psp set PASSPORT FIELD=VALUE...\n", problem.c_str());
    return 2;
}

} // namespace

int SetCommand(const std::vector<char*>& args, const QString& dictionaryFolder)
{
    if (args.size() < 2) return usage("wrong number of arguments for set");
    struct Assignment {
        QByteArray field;
        QByteArray text;
    };
    std::vector<Assignment> assignments;
    for (size_t i = 1; i < args.size(); ++i) {
        const QString given = QString::fromLocal8Bit(args[i]);
        const qsizetype equals = given.indexOf('=');
        if (equals <= 0) return usage("FIELD=VALUE expected: " + given.toStdString());
        const QByteArray field = given.left(equals).toLatin1().toUpper();
        const FieldDecl* decl = FindFieldDecl(PasportsSchema(), field);
        if (!decl || decl->kind != FieldKind::Data)
            return usage("no data field " + field.toStdString() + " in PASPORTS");
        bool lossless = true;
        const QByteArray text = unicodeToCp1251(given.mid(equals + 1), &lossless);
        if (!lossless) throw Error(field.toStdString() + ": the text holds characters outside Windows-1251");
        assignments.push_back({field, text});
    }

    TDataModule2 module;
    module.DataModuleCreate(dictionaryFolder);
    const QString passport = QFile::decodeName(args[0]);
    module.LoadPassport(passport);
    for (const Assignment& a : assignments) {
        try {
            TypePassportField(module, a.field, a.text, QString::fromLatin1(a.field));
        } catch (const std::exception& e) {
            throw Error(a.field.toStdString() + ": " + e.what());
        }
    }
    module.SavePassport(passport);
    return 0;
}

} // namespace talvena
