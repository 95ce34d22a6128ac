#pragma once
// The real main window, offscreen, for the benchmarks of the pages: one application for the whole
// benchmark program, a data module over the shipped dictionaries beside it, boxes answered by script.
#include "app/main_window.h"
#include "gui/scripted_interaction.h"
#include "model/data_module.h"

#include <QApplication>
#include <QSize>

#include <memory>

namespace talvena {

struct BenchWindow {
    ScriptedInteraction ui;
    std::unique_ptr<TDataModule2> dm;
    std::unique_ptr<TMainForm> form;

    // Makes the application unless another benchmark has, and the data module; the window comes
    // with show(), once the caller has put its data in.
    BenchWindow()
    {
        static int argc = 1;
        static char program[] = "bench_gui";
        static char* argv[] = {program, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        if (!QCoreApplication::instance()) new QApplication(argc, argv);
        installUserInteraction(&ui);
        dm = std::make_unique<TDataModule2>();
        dm->DataModuleCreate(QCoreApplication::applicationDirPath());
    }

    void show(QSize size = QSize())
    {
        form = std::make_unique<TMainForm>(*dm, ui);
        if (size.isValid()) form->resize(size);
        form->show();
        QCoreApplication::processEvents();
    }
};

} // namespace talvena
