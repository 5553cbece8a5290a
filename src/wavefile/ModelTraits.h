#pragma once
// What the program knows about each recorder model, in one table: how its
// header stores the time stamps, which traces it leaves out, and what the
// display makes of its samples and stamps. Looked up by the model text.
#include <string_view>

namespace kivelo {

struct ModelTraits {
    // A name ending in '*' matches every model that begins with the rest;
    // any other name matches that model text exactly.
    std::string_view name;
    bool sharedStamps = false;       // one Date and one Time line for every block
    bool dropsUnrecognised = false;  // traces of unrecognised data kind are removed
    bool endOfAcquisition = false;   // stamps are the end of acquisition (bit-order models)
    bool byteWideLogic = false;      // logic traces are 8 bits wide
    bool byteWideData = false;       // samples fill one byte: vertical zoom 1.0
};

// The traits of the model text; all false for a model the table does not name.
const ModelTraits& TraitsOfModel(std::string_view model);

}  // namespace kivelo
