// The page's door to the translator. The worker (web/src/worker.js) calls the
// library's own C functions (PduToXml, XmlToPdu, VantrelTranslate and the
// stream accessors, exported by the link); this file adds what only the page
// needs: the version text and a timing loop for the speed check.
#include <emscripten/emscripten.h>

#include <chrono>
#include <string>

#include "Src/translate/Version.h"
#include "vantrel/vantrel.h"

extern "C" {

// "Vantrel 3.6 (N)", as the desktop application's About box says it.
EMSCRIPTEN_KEEPALIVE const char* VantrelWebVersion() {
    static const std::string text = std::string(vantrel::kProductName) + " " + vantrel::VersionText();
    return text.c_str();
}

// Translates Size octets to XML Runs times and returns the mean time of one
// translation in milliseconds, or -1 when the octets do not translate. The
// loop runs here so that the figure compares with the native benchmark.
EMSCRIPTEN_KEEPALIVE double VantrelWebTimePduToXml(const uint8_t* Data, uint32_t Size, int32_t Runs) {
    double total = 0;
    for (int32_t i = 0; i < Runs; ++i) {
        TTranslationError error;
        VantrelStream* xml = nullptr;
        const auto start = std::chrono::steady_clock::now();
        PduToXml(Data, Size, &xml, &error);
        total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        VantrelStreamFree(xml);
        if (error.Code != 0) return -1;
    }
    return Runs > 0 ? total / Runs : 0;
}

}  // extern "C"
