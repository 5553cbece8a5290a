#pragma once
// File > Export...: the export dialog, then the name (suggested from the
// record's), then the export on the frame's worker behind the busy window with
// progress and Cancel. A cancelled or failed export leaves nothing behind.
namespace kivelo::app {

class CCommandHost;
struct ExportScene;

class CRecordExport {
public:
    explicit CRecordExport(CCommandHost& frame) : frame_(frame) {}

    void Run();

private:
    ExportScene Scene() const;

    CCommandHost& frame_;
};

}  // namespace kivelo::app
