// Placeholders until the class handlers land: every command goes on to the
// generic handler.
#include "widgets/widgets.h"

void update_combo_box_text(command_data *cmd) { update_widget(cmd); }
void update_label(command_data *cmd) { update_widget(cmd); }
void update_image(command_data *cmd) { update_widget(cmd); }
void update_text_view(command_data *cmd) { update_widget(cmd); }
void update_notebook(command_data *cmd) { update_widget(cmd); }
void update_expander(command_data *cmd) { update_widget(cmd); }
void update_frame(command_data *cmd) { update_widget(cmd); }
void update_scrolled_window(command_data *cmd) { update_widget(cmd); }
void update_button(command_data *cmd) { update_widget(cmd); }
void update_menu_item(command_data *cmd) { update_widget(cmd); }
void update_entry(command_data *cmd) { update_widget(cmd); }
void update_switch(command_data *cmd) { update_widget(cmd); }
void update_toggle_button(command_data *cmd) { update_widget(cmd); }
void update_spin_button(command_data *cmd) { update_widget(cmd); }
void update_scale(command_data *cmd) { update_widget(cmd); }
void update_progress_bar(command_data *cmd) { update_widget(cmd); }
void update_spinner(command_data *cmd) { update_widget(cmd); }
void update_calendar(command_data *cmd) { update_widget(cmd); }
void update_statusbar(command_data *cmd) { update_widget(cmd); }
void update_window(command_data *cmd) { update_widget(cmd); }
void update_file_chooser_dialog(command_data *cmd) { update_widget(cmd); }
void update_file_chooser_button(command_data *cmd) { update_widget(cmd); }
void update_color_button(command_data *cmd) { update_widget(cmd); }
void update_font_button(command_data *cmd) { update_widget(cmd); }
void update_print_dialog(command_data *cmd) { update_widget(cmd); }
void update_socket(command_data *cmd) { update_widget(cmd); }
