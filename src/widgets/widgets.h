// Class handlers of the ordinary widgets and the actions that every widget knows.
#pragma once

#include "channel/channel.h"

// The actions that every widget knows (their table is with the other
// tables of classes); each answers false when it cannot take the command.
bool generic_block(command_data *cmd);
bool generic_set_sensitive(command_data *cmd);
bool generic_set_visible(command_data *cmd);
bool generic_set_tooltip_text(command_data *cmd);
bool generic_grab_focus(command_data *cmd);
bool generic_set_size_request(command_data *cmd);
bool generic_force(command_data *cmd);
bool generic_ping(command_data *cmd);

// Style.
void attach_style_provider(GObject *obj);
bool update_widget_style(command_data *cmd);

// Text-bearing widgets.
void update_combo_box_text(command_data *cmd);
void update_label(command_data *cmd);
void update_image(command_data *cmd);
void update_text_view(command_data *cmd);
void update_notebook(command_data *cmd);
void update_expander(command_data *cmd);
void update_frame(command_data *cmd);
void update_scrolled_window(command_data *cmd);
void update_button(command_data *cmd);
void update_menu_item(command_data *cmd);
void update_entry(command_data *cmd);

// Value widgets.
void update_switch(command_data *cmd);
void update_toggle_button(command_data *cmd);
void update_spin_button(command_data *cmd);
void update_scale(command_data *cmd);
void update_progress_bar(command_data *cmd);
void update_spinner(command_data *cmd);
void update_calendar(command_data *cmd);

// Status bars.
void update_statusbar(command_data *cmd);

// Windows and dialogs.
bool try_window_action(command_data *cmd);
void update_window(command_data *cmd);
void update_file_chooser_dialog(command_data *cmd);
void update_file_chooser_button(command_data *cmd);
void update_color_button(command_data *cmd);
void update_font_button(command_data *cmd);
void update_print_dialog(command_data *cmd);
// Answers every print dialog still waiting for a person with cancel, so that
// a quit is not held up by a dialog's own main loop.
void cancel_waiting_dialogs();
void update_socket(command_data *cmd);
// Off X11 a socket is hidden for good: no-show-all keeps it out of a
// container shown with its children.
void keep_socket_unrealized(GObject *socket);
