#pragma once

#include <string>

namespace quillan {

class TQuillEdit;

// What else has to follow a document's life besides its tab: recovery copies and the watch on
// its file. The model calls these at the moments they describe; the editor is the document's
// identity for as long as it is open, whatever slot it moves to.
class IDocumentWatch {
public:
    virtual ~IDocumentWatch() = default;

    // The text changed (typing, undo, a reload).
    virtual void DocumentChanged(TQuillEdit& edit) = 0;
    // The document's text was just read from `path`.
    virtual void DocumentLoaded(TQuillEdit& edit, const std::string& path) = 0;
    // About to write the document to `path`; throwing (EAbort) stops the save with nothing written.
    virtual void BeforeWrite(TQuillEdit& edit, const std::string& path) = 0;
    // The document was written to `path` and is unmodified now.
    virtual void DocumentSaved(TQuillEdit& edit, const std::string& path) = 0;
    // The document is being closed: saved, or its changes given up.
    virtual void DocumentClosed(TQuillEdit& edit) = 0;
};

} // namespace quillan
