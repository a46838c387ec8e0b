// Load and save of a large Remote.db: the document, the cipher and the
// parse must stay linear in the number of hosts.
#include <benchmark/benchmark.h>

#include "core/store/config_store.h"
#include "core/store/text_cipher.h"

namespace {

korvan::HostList makeHosts(int n) {
    korvan::HostList hosts;
    for (int i = 0; i < n; ++i) {
        int row = hosts.appendRow();
        hosts.setCellText(row, korvan::kColumnNote, "host " + std::to_string(i));
        hosts.setCellText(row, korvan::kColumnAddress, "10.0." + std::to_string(i % 250) + ".1:3389");
        hosts.setCellText(row, korvan::kColumnUser, "administrator");
        hosts.setCellText(row, korvan::kColumnPassword, "secret-" + std::to_string(i));
    }
    return hosts;
}

void BM_SaveDocument(benchmark::State& state) {
    korvan::SessionSettings settings;
    settings.applyDefaults();
    auto hosts = makeHosts(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto cipher = korvan::TextCipher::encipher(korvan::ConfigStore::documentText(settings, hosts),
                                                   korvan::ConfigStore::kKey);
        benchmark::DoNotOptimize(cipher);
    }
}
BENCHMARK(BM_SaveDocument)->Arg(1000)->Arg(10000);

void BM_LoadDocument(benchmark::State& state) {
    korvan::SessionSettings settings;
    settings.applyDefaults();
    auto cipher = korvan::TextCipher::encipher(
        korvan::ConfigStore::documentText(settings, makeHosts(static_cast<int>(state.range(0)))),
        korvan::ConfigStore::kKey);
    for (auto _ : state) {
        korvan::HostList hosts;
        korvan::SessionSettings loaded;
        korvan::ConfigStore::applyDocument(
            korvan::TextCipher::decipher(cipher, korvan::ConfigStore::kKey), loaded, hosts);
        benchmark::DoNotOptimize(hosts.rowCount());
    }
}
BENCHMARK(BM_LoadDocument)->Arg(1000)->Arg(10000);

}  // namespace
