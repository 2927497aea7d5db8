// SPDX-License-Identifier: GPL-3.0-or-later
// How long a COMPUTE click takes in the real window, every box written (offscreen platform).
#include "mainwindow/main_window.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <benchmark/benchmark.h>

namespace {

void computeClickAt144MHz(benchmark::State& run) {
    tarvo::MainWindow window;
    window.show();
    using enum tarvo::Control;
    qobject_cast<QLineEdit*>(window.control(Text17))->setText("144");
    qobject_cast<QRadioButton*>(window.control(Option2))->setChecked(true);
    qobject_cast<QListWidget*>(window.control(List1))->setCurrentRow(2);
    auto* compute = qobject_cast<QPushButton*>(window.control(Command1));
    for (auto _ : run) {
        compute->click();
        QCoreApplication::processEvents(); // the repaint of the written boxes
    }
    if (window.form().text(Text45) != "163.570") {
        run.SkipWithError("COMPUTE did not give the worked example");
    }
}
BENCHMARK(computeClickAt144MHz)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
