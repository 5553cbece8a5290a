#include "wavefile/ModelTraits.h"

#include <array>

namespace kivelo {
namespace {

// clang-format off
//   name      shared drops  end    logic8 data8
constexpr std::array<ModelTraits, 8> kModels{{
    {"QV31*",  true,  false, false, false, false},
    {"QV6*",   true,  true,  false, false, false},
    {"QV810",  false, false, true,  false, false},
    {"QV818",  false, false, true,  false, false},
    {"QV818E", false, false, true,  false, false},
    {"QV826",  false, false, true,  false, false},
    {"QV4300", false, false, false, true,  false},
    {"QV7010", false, false, false, false, true},
}};
// clang-format on

constexpr ModelTraits kUnknown{};

bool Matches(std::string_view name, std::string_view model) {
    if (!name.empty() && name.back() == '*') return model.starts_with(name.substr(0, name.size() - 1));
    return model == name;
}

}  // namespace

const ModelTraits& TraitsOfModel(std::string_view model) {
    for (const ModelTraits& row : kModels)
        if (Matches(row.name, model)) return row;
    return kUnknown;
}

}  // namespace kivelo
