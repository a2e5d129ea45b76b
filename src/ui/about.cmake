# The about box's part of src/ui: its sources (relative to src/ui) and the
# Windows libraries they need.
set(COPYLOOM_UI_ABOUT_SOURCES dlg_about.cc explorer1.cc)
set(COPYLOOM_UI_ABOUT_LIBS ole32 oleaut32 uuid)
