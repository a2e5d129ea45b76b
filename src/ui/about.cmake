# The about box, the hyperlink control and the browser panel. Paths are
# relative to src/ui. about.rc must be compiled into the program itself (a
# resource in a static library is never linked in).
set(COPYLOOM_UI_ABOUT_SOURCES
  dlg_about.cc
  explorer1.cc
  hyper_link.cc
  web_browser.cc
  window_place.cc
)
set(COPYLOOM_UI_ABOUT_RESOURCES about.rc)
set(COPYLOOM_UI_ABOUT_LIBS comctl32 ole32 oleaut32 uuid shell32 user32 gdi32 advapi32)
