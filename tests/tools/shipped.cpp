#include "tests/tools/shipped.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

#include "gls/names/names.h"
#include "tests/support/test_support.h"

namespace velmorad::testing {

const ShippedCodeSet &shipped(uint16_t number) {
    for (const ShippedCodeSet &s : kShippedCodeSets) {
        if (s.number == number) return s;
    }
    throw std::invalid_argument("not a shipped code set: " + std::to_string(number));
}

std::string charmap_path(uint16_t number) {
    return std::string("/usr/share/i18n/charmaps/") + shipped(number).charmap + ".gz";
}

std::vector<Pair> shipped_pairs() {
    std::vector<Pair> pairs;
    for (const ShippedCodeSet &s : kShippedCodeSets) {
        if (s.number == kUtf8) continue;
        pairs.push_back({s.number, kUtf8});
        pairs.push_back({kUtf8, s.number});
    }
    for (const Pair &direct :
         {Pair{819, 1252}, Pair{57351, 57350}, Pair{915, 878}, Pair{819, 923}}) {
        pairs.push_back(direct);
        pairs.push_back({direct.to, direct.from});
    }
    return pairs;
}

std::string pair_name(const Pair &pair) {
    std::string name = std::string(shipped(pair.from).charmap) + "_to_" + shipped(pair.to).charmap;
    for (char &c : name) {
        if (c == '-') c = '_';
    }
    return name;
}

BuiltConversion::BuiltConversion(const Pair &pair) {
    static const bool cached = [] {
        uint32_t error = 0;
        gls::gl_cache_registry(&error, (build_installation() + "/gls/cm3/registry").c_str());
        return true;
    }();
    (void)cached;
    const std::string dir = build_installation() + "/gls/cv9";
    const std::string from = std::to_string(pair.from);
    const std::string to = std::to_string(pair.to);
    gls::CvDesc *cd = nullptr;
    if (gls::gl_cv_load(&cd, to.c_str(), from.c_str(), 0, dir.c_str()) == gls::kCvLoaded) {
        cd_ = cd;
    } else {
        gls::gl_cv_unload(cd);
    }
}

BuiltConversion::~BuiltConversion() {
    gls::gl_cv_unload(cd_);
}

Converted BuiltConversion::convert(std::string_view input) const {
    std::string buffer(input.size() * 4 + 8, '\0');
    const auto *in = reinterpret_cast<const unsigned char *>(input.data());
    auto *out = reinterpret_cast<unsigned char *>(buffer.data());
    size_t in_left = input.size();
    size_t out_left = buffer.size();
    int inexact = 0;
    cd_->error = 0;
    const int status = gls::gl_miconv(cd_, &in, &in_left, &out, &out_left, &inexact);
    buffer.resize(buffer.size() - out_left);
    return {status == 0 ? 0 : static_cast<int>(cd_->error), input.size() - in_left,
            std::move(buffer)};
}

Iconv::Iconv(const Pair &pair)
    : cd_(iconv_open(shipped(pair.to).charmap, shipped(pair.from).charmap)) {}

Iconv::~Iconv() {
    if (opened()) iconv_close(static_cast<iconv_t>(cd_));
}

bool Iconv::opened() const {
    return static_cast<iconv_t>(cd_) != reinterpret_cast<iconv_t>(-1);
}

Converted Iconv::convert(std::string_view input) const {
    auto cd = static_cast<iconv_t>(cd_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string buffer(input.size() * 4 + 8, '\0');
    char *in = const_cast<char *>(input.data());
    char *out = buffer.data();
    size_t in_left = input.size();
    size_t out_left = buffer.size();
    int status = 0;
    if (iconv(cd, &in, &in_left, &out, &out_left) == static_cast<size_t>(-1)) {
        status = errno == EILSEQ   ? static_cast<int>(gls::GL_EILSEQ)
                 : errno == EINVAL ? static_cast<int>(gls::GL_EINVAL)
                                   : -errno;
    } else if (iconv(cd, nullptr, nullptr, &out, &out_left) == static_cast<size_t>(-1)) {
        status = -errno;
    }
    buffer.resize(buffer.size() - out_left);
    return {status, input.size() - in_left, std::move(buffer)};
}

const std::vector<SampleText> &sample_texts() {
    static const std::vector<SampleText> texts = {
        {"Western European",
         {819, 1252, 923},
         "Où est la gare ? Près du café, à gauche de l'église.\n"
         "Die Straße führt über die Brücke nach Süden.\n"
         "¿Dónde está la señora? Está en el jardín, ¡qué bien!\n"
         "Não há pão às segundas-feiras; o açúcar acabou.\n"},
        {"Western European with typography",
         {1252},
         "Le billet coûte 12 € – « très cher », n’est-ce pas ?\n"
         "Œuvres complètes, tome 1… she said “hello” — twice.\n"},
        {"Western European with the euro",
         {1252, 923},
         "Le prix est de 12 €, pour l'œuvre et le cœur.\n"
         "Šárka, Žofie und Ÿvonne zahlen in €.\n"},
        {"Central European",
         {912},
         "Łódź leży w środku kraju, a żółw śpi pod dębem.\n"
         "Český řidič jede přes most do Brna.\n"
         "Őszi szél fúj a völgyben, hűvös az éjszaka.\n"},
        {"Cyrillic",
         {915, 878},
         "Привет, мир! Сегодня хорошая погода.\n"
         "Мы едем в Москву на поезде, ёлка стоит в углу.\n"
         "ЭТО ЗАГЛАВНЫЕ БУКВЫ: Ё, Ж, Щ, Ъ.\n"},
        {"Hebrew", {916}, "שלום עולם\nהספר נמצא על השולחן ליד החלון.\n"},
        {"Arabic", {1256}, "مرحبا بالعالم\nالكتاب على الطاولة بجانب النافذة.\n"},
        {"Japanese",
         {57351, 57350},
         "こんにちは、世界。\n"
         "今日は天気が良いので、公園へ散歩に行きます。\n"
         "カタカナとひらがな、そして漢字を使います。ｶﾀｶﾅ\n"},
        {"Korean", {57356}, "안녕하세요, 세계.\n오늘은 날씨가 좋아서 공원에 갑니다.\n"},
        {"Simplified Chinese", {57357}, "你好，世界。\n今天天气很好，我们去公园散步。\n"},
        {"Traditional Chinese", {57352}, "你好，世界。\n今天天氣很好，我們去公園散步。\n"},
        {"Thai", {874}, "สวัสดีชาวโลก\nวันนี้อากาศดีมาก เราไปเดินเล่นที่สวน\n"},
    };
    return texts;
}

}  // namespace velmorad::testing
