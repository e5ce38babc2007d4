// The fatal-error box in GTK 3, with the message also on standard error for runs without a display.
#include "platform/MessageBox.h"

#include <cstdio>
#include <gtk/gtk.h>

namespace platform {

void showFatalError(const char* message) {
    showFatalError(message, nullptr);
}

void showFatalError(const char* message, const char* detail) {
    const char* text = message ? message : "";
    std::fprintf(stderr, "Fatal Error: %s\n", text);
    if (detail && *detail)
        std::fprintf(stderr, "%s\n", detail);
    std::fflush(stderr);
    if (!gtk_init_check(nullptr, nullptr))
        return;

    GtkWidget* box = gtk_dialog_new_with_buttons("Fatal Error", nullptr, GTK_DIALOG_MODAL, "_OK",
                                                 GTK_RESPONSE_OK, nullptr);
    gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER);
    gtk_window_set_resizable(GTK_WINDOW(box), FALSE);
    gtk_window_set_keep_above(GTK_WINDOW(box), TRUE);
    gtk_window_set_icon_name(GTK_WINDOW(box), "dialog-error");
    gtk_dialog_set_default_response(GTK_DIALOG(box), GTK_RESPONSE_OK);

    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
    gtk_container_set_border_width(GTK_CONTAINER(row), 12);
    GtkWidget* icon = gtk_image_new_from_icon_name("dialog-error", GTK_ICON_SIZE_DIALOG);
    gtk_widget_set_valign(icon, GTK_ALIGN_START);
    gtk_box_pack_start(GTK_BOX(row), icon, FALSE, FALSE, 0);
    GtkWidget* label = gtk_label_new(text);
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(label), 80);
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    gtk_box_pack_start(GTK_BOX(row), label, TRUE, TRUE, 0);
    gtk_container_add(GTK_CONTAINER(gtk_dialog_get_content_area(GTK_DIALOG(box))), row);
    gtk_widget_show_all(box);

    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
    while (gtk_events_pending())
        gtk_main_iteration();
}

} // namespace platform
