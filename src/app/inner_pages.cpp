// Page "12.Экономика" and the tree of inner pages.
#include "app/page_decl.h"

namespace talvena {

namespace {

using namespace decl;

// The economics fields have no control: they keep what the passport file holds.
constexpr ControlDecl kEconomics[] = {
    Notice("EconomicsNotice", "Таблица \"Экономика\" пока в разработке"),
};

const FormPageDecl kEconomicsPage{{}, kEconomics};

} // namespace

const FormPageDecl& EconomicsPage() { return kEconomicsPage; }

std::span<const InnerPageDecl> InnerPages()
{
    static const InnerPageDecl pages[] = {
        {"TabSheet3", "1.География", &GeographyPage()},
        {"TabSheet4", "2.История", &HistoryPage()},
        {"TabSheet5", "3.Методика", &MethodsPage()},
        {"TabSheet6", "4.Геология", &GeologyPage()},
        {"TabSheet7", "5.Отражающие горизонты", nullptr},
        {"TabSheet8", "6.Качество", nullptr},
        {"TabSheet9", "7.Возможные продуктивные горизонты", nullptr},
        {"TabSheet10", "8.Ресурсы нефти", nullptr},
        {"TabSheet11", "9.Ресурсы газа", nullptr},
        {"TabSheet12", "10.Ресурсы газоконденсата", nullptr},
        {"TabSheet13", "11.Контуры ловушек", nullptr},
        {"TabSheet14", "12.Экономика", &EconomicsPage()},
    };
    return pages;
}

} // namespace talvena
