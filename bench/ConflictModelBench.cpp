// Cost of conflict detection at its largest: 4 subnets x 128 commands of mixed functions (coil
// reads with bit offsets, register reads, some of them with the "Low byte" filter, coil and
// register writes, several overlapping). Measures opening the dialog's model (the occupancy maps,
// both grid models and the colours of a first screen of cells) and one check-box toggle with the
// recolouring of the affected cells, as a view asks for them after dataChanged; and, for scale,
// the whole dialog built and drawn once.
#include "app/ConflictDialog.h"
#include "app/ConflictTableModel.h"
#include "mapping/ConflictMap.h"
#include "resources/Strings.h"

#include <QApplication>
#include <QObject>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

using namespace tqv;

std::string mappingText(long address)
{
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%lx", address);
    return buffer;
}

std::unique_ptr<ConfigStore> mixedStore()
{
    setLanguage(Language::English);
    auto store = std::make_unique<ConfigStore>();
    store->setTypeAndFlags(2, {true, false, false, false, false, false, true});
    store->subnet(0).commandStatus = "4Bytes";
    long input = 4;
    long output = 0x4000;
    for (int s = 0; s < kSubnetCount; ++s) {
        CONFIG &c = store->subnet(s);
        c.nodeCount = 1;
        c.nodes[0] = NODE{"1", "Node-1"};
        c.commandCount = kMaxCommands;
        for (int i = 0; i < kMaxCommands; ++i) {
            COMMAND &cmd = c.commands[static_cast<std::size_t>(i)];
            cmd = COMMAND{"1", "", "0", "", "", "0", "", "Fullword", "CRC", "Quick-scan", 1};
            // Every seventh command starts a little early, so that it overlaps its neighbour.
            const long back = i % 7 == 0 ? 1 : 0;
            switch (i % 6) {
            case 0: // coil read with a bit offset
                cmd.functionCode = "1";
                cmd.quantity = std::to_string(40 + i);
                cmd.mappingBit = std::to_string(i % 8);
                cmd.mappingAddress = mappingText(input - back);
                input += (40 + i + i % 8) / 8 + 1;
                break;
            case 1: // register read, one byte per register
                cmd.functionCode = "3";
                cmd.quantity = "40";
                cmd.dataFormat = "Low byte";
                cmd.mappingAddress = mappingText(input - back);
                input += 40;
                break;
            case 2:
                cmd.functionCode = "4";
                cmd.quantity = "30";
                cmd.mappingAddress = mappingText(input - back);
                input += 60;
                break;
            case 3: // coil write
                cmd.functionCode = "15";
                cmd.quantity = "300";
                cmd.mappingBit = "3";
                cmd.mappingAddress = mappingText(output - back);
                output += 39;
                break;
            case 4:
                cmd.functionCode = "16";
                cmd.quantity = "60";
                cmd.mappingAddress = mappingText(output - back);
                output += 120;
                break;
            default: // a single register written from the input buffer
                cmd.functionCode = "6";
                cmd.quantity = "1";
                cmd.mappingAddress = mappingText(0x10 + i);
                break;
            }
        }
    }
    return store;
}

// What a view does on opening: the colours of the first screen of both grids.
void paintFirstScreen(const ConflictTableModel &model)
{
    for (int row = 0; row < 32; ++row)
        for (int column = 0; column < ConflictTableModel::kColumns; ++column)
            benchmark::DoNotOptimize(model.data(model.index(row, column), Qt::BackgroundRole));
}

void BM_OpenConflictModel(benchmark::State &state)
{
    const std::unique_ptr<ConfigStore> store = mixedStore();
    for (auto _ : state) {
        auto map = std::make_unique<ConflictMap>(*store);
        ConflictTableModel input(*map, BufferGrid::Input);
        ConflictTableModel output(*map, BufferGrid::Output);
        paintFirstScreen(input);
        paintFirstScreen(output);
        benchmark::DoNotOptimize(map.get());
    }
    state.counters["entries"] = static_cast<double>(ConflictMap(*store).entryCount());
}

void BM_ToggleCommand(benchmark::State &state)
{
    const std::unique_ptr<ConfigStore> store = mixedStore();
    ConflictMap map(*store);
    ConflictTableModel input(map, BufferGrid::Input);
    ConflictTableModel output(map, BufferGrid::Output);
    // Every cell a dataChanged names is asked for its colour again, as a view repaints it.
    long recoloured = 0;
    for (ConflictTableModel *model : {&input, &output}) {
        QObject::connect(model, &QAbstractItemModel::dataChanged, model,
                         [model, &recoloured](const QModelIndex &from, const QModelIndex &to) {
                             for (int row = from.row(); row <= to.row(); ++row)
                                 for (int column = from.column(); column <= to.column(); ++column) {
                                     benchmark::DoNotOptimize(model->data(model->index(row, column), Qt::BackgroundRole));
                                     ++recoloured;
                                 }
                         });
    }
    // Subnet 2's fifth command: 60 registers written, one of the largest footprints.
    const int entry = 1 + kMaxCommands + 4;
    bool included = true;
    for (auto _ : state) {
        included = !included;
        const AffectedCells cells = map.setIncluded(entry, included);
        if (cells.input)
            input.bytesChanged(*cells.input);
        if (cells.output)
            output.bytesChanged(*cells.output);
    }
    state.counters["cells"] = benchmark::Counter(static_cast<double>(recoloured), benchmark::Counter::kAvgIterations);
}

void BM_OpenConflictDialog(benchmark::State &state)
{
    const std::unique_ptr<ConfigStore> store = mixedStore();
    for (auto _ : state) {
        ConflictDialog dialog(*store);
        benchmark::DoNotOptimize(dialog.grab());
    }
}

} // namespace

BENCHMARK(BM_OpenConflictDialog)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_OpenConflictModel)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_ToggleCommand)->Unit(benchmark::kMicrosecond)->Repetitions(15)->ReportAggregatesOnly(true);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
