#pragma once

#include "capture/CaptureRun.h"
#include "capture/CaptureView.h"
#include "capture/TranslationDataSets.h"
#include "selection/FileLists.h"
#include "selection/LanguageList.h"
#include "selection/SelectionView.h"
#include "server/ChangeApplication.h"
#include "server/LinkActivity.h"
#include "server/ServerLink.h"

#include "components/Messages.h"
#include "components/NetConnection.h"

// The capture's objects and their bindings, in one place: the connection to the server object,
// the data sets, the link, the change sender, the run, the file lists and the language list. The
// window, the capture command and the tests each build one with views of their own; none wires
// the objects itself.
class CaptureAssembly {
public:
    // What the user sees of the capture: one object may be all three.
    struct Views {
        CaptureView& capture;
        SelectionView& selection;
        LinkActivity& activity;
    };

    // languageCode is the module's: the run reads it afresh for every caption.
    CaptureAssembly(Views views, const TMessages& messages, AnsiString& languageCode);
    CaptureAssembly(const CaptureAssembly&) = delete;
    CaptureAssembly& operator=(const CaptureAssembly&) = delete;

    TNetConnection connection;
    TranslationDataSets data;
    ServerLink link;
    ChangeApplication changes;
    CaptureRun run;
    FileLists files;
    LanguageList languages;

    // What each data set's changes become on the server; the data sets' events are bound to them.
    void sendPropriedChanges();
    void sendVersaoChanges();
    void sendVerificaPropPost();
    void sendVerificaPropDelete();
};
