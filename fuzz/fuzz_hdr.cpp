// Header reader on arbitrary header text.
#include "FuzzFiles.h"
#include "wavefile/CHdrFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const kivelo::fuzz::ScratchDir dir;
    dir.Write("f.hdr", {data, size});
    kivelo::CHdrFile hdr(dir.Path() + "/f.wvf");
    if (hdr.IsLoaded()) {
        kivelo::HdrPublicInfo pub;
        std::vector<kivelo::HdrGroupInfo> groups;
        kivelo::HdrModelInfo model;
        kivelo::HdrPrivateInfo priv;
        hdr.GetPublicInfo(pub);
        hdr.GetGroupInfo(groups);
        hdr.GetModelInfo(model);
        hdr.GetPrivateInfo(priv);
    }
    return 0;
}
