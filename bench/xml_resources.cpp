// Reading users from an answer: the client's path (the parser's events straight
// into QVUser resources through the user's field table, as every service
// answer is read) against a raw expat parse of the same bytes in the same run;
// and, for comparison, building the answer's document first.
//
// Workload: one answer of 5,000 <user> elements (about 1 MB) with the fields a
// friend list carries (id, name, picture, gamerscore, flags, location),
// generated with a fixed seed. The raw baseline registers start, end
// and character handlers that only count. Each round times both sides, taking
// turns; the counters report the medians:
//   resources_vs_expat  client time / raw expat time (goal: at most 2)
//   document_vs_expat   document, then resources / raw expat time
//   resources_ms, document_ms, expat_ms, answer_kib
#include "social/runtime/QVResource.h"
#include "social/runtime/QVXmlDocument.h"
#include "social/services/QVUser.h"

#include <benchmark/benchmark.h>
#include <expat.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace quorvel;

namespace {

constexpr int kUsers = 5000;
constexpr int kRounds = 9;

std::string makeAnswer(int users)
{
    std::mt19937 rng(20261207);
    std::uniform_int_distribution<int> score(0, 2000000), flag(0, 1);
    std::uniform_real_distribution<double> lat(-90, 90), lng(-180, 180);
    const char* names[] = { "Ann", "Bo", "Cy", "Dana", "Eli", "Fay", "Gus", "Hal" };
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<resources>\n";
    xml += "<pagination_header><current_offset>0</current_offset><current_page>1</current_page>"
           "<total_pages>1</total_pages><per_page>5000</per_page><total_objects>5000</total_objects>"
           "</pagination_header>\n";
    char buffer[1024];
    for (int i = 0; i < users; ++i) {
        std::snprintf(buffer, sizeof buffer,
                      "<user><id>%d</id><name>%s %d</name><profile_picture_url>%s</profile_picture_url>"
                      "<gamer_score>%d</gamer_score><following_local_user>%d</following_local_user>"
                      "<online>%s</online><lat>%.4f</lat><lng>%.4f</lng></user>\n",
                      100000 + i, names[i % 8], i, flag(rng) ? "http://i.example.com/p.png" : "", score(rng),
                      flag(rng), flag(rng) ? "true" : "false", lat(rng), lng(rng));
        xml += buffer;
    }
    xml += "</resources>\n";
    return xml;
}

struct Counts {
    size_t elements { 0 };
    size_t characters { 0 };
};

void XMLCALL onStart(void* data, const XML_Char*, const XML_Char**) { ++static_cast<Counts*>(data)->elements; }
void XMLCALL onEnd(void*, const XML_Char*) { }
void XMLCALL onText(void* data, const XML_Char*, int length)
{
    static_cast<Counts*>(data)->characters += static_cast<size_t>(length);
}

size_t parseRaw(const std::string& xml)
{
    XML_Parser parser = XML_ParserCreate("UTF-8");
    Counts counts;
    XML_SetUserData(parser, &counts);
    XML_SetElementHandler(parser, onStart, onEnd);
    XML_SetCharacterDataHandler(parser, onText);
    XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), 1);
    XML_ParserFree(parser);
    return counts.elements;
}

size_t parseResources(const std::string& xml, const QVResourceNameMap& names)
{
    auto series = QVResource::resourcesFromData(xml.data(), xml.size(), names);
    return series ? series->count() : 0;
}

size_t parseDocument(const std::string& xml, const QVResourceNameMap& names)
{
    auto document = QVXmlDocument::xmlDocumentWithData(xml.data(), xml.size());
    auto series = QVResource::resourcesFromXml(document.get(), names);
    return series ? series->count() : 0;
}

double seconds(const std::function<void()>& work)
{
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void runXmlResources(benchmark::State& state)
{
    const std::string xml = makeAnswer(kUsers);
    QVResourceNameMap names;
    names.addResource<QVUser>("user");
    // Warm up (and check both sides read the whole answer).
    if (parseResources(xml, names) != kUsers || parseDocument(xml, names) != kUsers || parseRaw(xml) == 0) {
        state.SkipWithError("the answer did not read as 5,000 users");
        return;
    }
    for (auto _ : state) {
        std::vector<double> ratios, documentRatios, ours, documents, raw;
        for (int round = 0; round < kRounds; ++round) {
            size_t sink = 0;
            double r = seconds([&] { sink += parseRaw(xml); });
            double o = seconds([&] { sink += parseResources(xml, names); });
            double d = seconds([&] { sink += parseDocument(xml, names); });
            benchmark::DoNotOptimize(sink);
            ratios.push_back(o / r);
            documentRatios.push_back(d / r);
            ours.push_back(o);
            documents.push_back(d);
            raw.push_back(r);
        }
        state.counters["resources_vs_expat"] = median(ratios);
        state.counters["document_vs_expat"] = median(documentRatios);
        state.counters["resources_ms"] = median(ours) * 1000;
        state.counters["document_ms"] = median(documents) * 1000;
        state.counters["expat_ms"] = median(raw) * 1000;
        state.counters["answer_kib"] = static_cast<double>(xml.size()) / 1024;
    }
}

} // namespace

BENCHMARK(runXmlResources)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
