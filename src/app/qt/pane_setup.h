#pragma once

namespace corvimap {

class AppEngine;
class LocalSharesPane;
class MainWindow;
struct AppContext;

// Makes the panes that other modules own and the log does not (options, host list, network
// utilities, search, local shares, game servers, in this order, which is the order of their
// widgets among the window's children), installs them in window and wires them to the window
// and to engine. Their column layouts are saved at close through the window's list layout
// savers. Returns the local shares pane, already started; the window stops it at close.
// UI thread only; window and engine outlive what is made here.
LocalSharesPane* InstallPaneContents(MainWindow& window, AppContext& context, AppEngine& engine);

}  // namespace corvimap
