#pragma once
// Builds a form page from its declaration: caption labels, controls with their binders, group
// boxes and layout. Every control gets its object name, hint, enabled state and change handler.
#include "app/page_decl.h"

#include <QHash>
#include <QString>
#include <functional>

class QWidget;

namespace talvena {

class FieldBinder;
class TDataModule2;

// What the builder made, by object name: controls, named caption labels, group boxes, value labels.
struct PageWidgets {
    QHash<QString, QWidget*> widgets;
    QHash<QString, FieldBinder*> binders;
};

class PageBuilder {
public:
    // `run` runs a change handler or a picker button of the main window.
    PageBuilder(TDataModule2& dataModule, std::function<void(PageHandler)> run);

    // Fills `page` (an empty widget) with the page's controls.
    void build(QWidget* page, const FormPageDecl& decl, PageWidgets& out);

private:
    QWidget* makeControl(const ControlDecl& c, QWidget* parent, PageWidgets& out);

    TDataModule2& dataModule_;
    std::function<void(PageHandler)> run_;
};

} // namespace talvena
