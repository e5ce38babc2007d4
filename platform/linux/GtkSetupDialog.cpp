// The setup dialog in GTK 3: an undecorated, thin-bordered, centred box that the viewer moves by
// pressing anywhere on it and dragging.
#include "kem/Exception.h"
#include "platform/Dialog.h"

#include <gtk/gtk.h>

namespace platform {

namespace {

struct SetupDialog {
    GtkWidget* window = nullptr;
    GtkWidget* resolutionList = nullptr;
    GtkWidget* fullscreenBox = nullptr;
    GtkWidget* mustacheBox = nullptr;
    GtkWidget* cancelButton = nullptr;
    bool done = false;
    bool accepted = false;

    // Where the press happened and where the window was then, both in screen coordinates.
    bool dragging = false;
    double pressX = 0, pressY = 0;
    int startX = 0, startY = 0;
};

void finish(SetupDialog& dialog, bool accepted) {
    if (dialog.done)
        return;
    dialog.done = true;
    dialog.accepted = accepted;
}

void onAccept(GtkButton*, gpointer data) {
    finish(*static_cast<SetupDialog*>(data), true);
}

void onCancel(GtkButton*, gpointer data) {
    finish(*static_cast<SetupDialog*>(data), false);
}

gboolean onDelete(GtkWidget*, GdkEvent*, gpointer data) {
    finish(*static_cast<SetupDialog*>(data), false);
    return TRUE; // destroyed once the modal loop is over
}

gboolean onKey(GtkWidget*, GdkEventKey* event, gpointer data) {
    auto& dialog = *static_cast<SetupDialog*>(data);
    switch (event->keyval) {
    case GDK_KEY_Escape:
        finish(dialog, false);
        return TRUE;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
        // Enter presses the focused push button, otherwise the default one.
        finish(dialog, gtk_window_get_focus(GTK_WINDOW(dialog.window)) != dialog.cancelButton);
        return TRUE;
    default:
        return FALSE;
    }
}

gboolean onPress(GtkWidget*, GdkEventButton* event, gpointer data) {
    auto& dialog = *static_cast<SetupDialog*>(data);
    if (event->type != GDK_BUTTON_PRESS || event->button != 1)
        return FALSE;
    dialog.dragging = true;
    dialog.pressX = event->x_root;
    dialog.pressY = event->y_root;
    gtk_window_get_position(GTK_WINDOW(dialog.window), &dialog.startX, &dialog.startY);
    return TRUE;
}

gboolean onMotion(GtkWidget*, GdkEventMotion* event, gpointer data) {
    auto& dialog = *static_cast<SetupDialog*>(data);
    if (!dialog.dragging)
        return FALSE;
    // The grabbed point stays under the pointer.
    gtk_window_move(GTK_WINDOW(dialog.window),
                    dialog.startX + static_cast<int>(event->x_root - dialog.pressX),
                    dialog.startY + static_cast<int>(event->y_root - dialog.pressY));
    return TRUE;
}

gboolean onRelease(GtkWidget*, GdkEventButton* event, gpointer data) {
    if (event->button == 1)
        static_cast<SetupDialog*>(data)->dragging = false;
    return FALSE;
}

GtkWidget* makeCheckBox(const char* label, bool checked) {
    GtkWidget* box = gtk_check_button_new_with_label(label);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(box), checked);
    gtk_widget_set_halign(box, GTK_ALIGN_START);
    gtk_widget_set_margin_start(box, 30);
    return box;
}

void build(SetupDialog& dialog, const char* const* labels, int count, const SetupChoices& choices) {
    dialog.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* window = GTK_WINDOW(dialog.window);
    gtk_window_set_title(window, "Oxbrine setup"); // never shown; lets tools find the window
    gtk_window_set_decorated(window, FALSE);
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_position(window, GTK_WIN_POS_CENTER);
    gtk_widget_add_events(dialog.window, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                             GDK_BUTTON1_MOTION_MASK);

    GtkWidget* border = gtk_frame_new(nullptr);
    gtk_frame_set_shadow_type(GTK_FRAME(border), GTK_SHADOW_IN);
    gtk_container_add(GTK_CONTAINER(dialog.window), border);

    GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_container_set_border_width(GTK_CONTAINER(column), 10);
    gtk_container_add(GTK_CONTAINER(border), column);

    GtkWidget* heading = gtk_label_new("\nMORVELIN APP STUDIO\n\nOXBRINE");
    gtk_label_set_justify(GTK_LABEL(heading), GTK_JUSTIFY_CENTER);
    gtk_box_pack_start(GTK_BOX(column), heading, FALSE, FALSE, 0);

    dialog.resolutionList = gtk_combo_box_text_new();
    for (int i = 0; i < count; ++i)
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(dialog.resolutionList), labels[i]);
    const bool known = choices.resolution >= 0 && choices.resolution < count;
    gtk_combo_box_set_active(GTK_COMBO_BOX(dialog.resolutionList), known ? choices.resolution : -1);
    gtk_widget_set_margin_start(dialog.resolutionList, 20);
    gtk_widget_set_margin_end(dialog.resolutionList, 20);
    gtk_box_pack_start(GTK_BOX(column), dialog.resolutionList, FALSE, FALSE, 0);

    dialog.fullscreenBox = makeCheckBox("Longboard", choices.fullscreen);
    gtk_box_pack_start(GTK_BOX(column), dialog.fullscreenBox, FALSE, FALSE, 0);
    // Shown as it is and never changeable.
    dialog.mustacheBox = makeCheckBox("Mustache", choices.mustache);
    gtk_widget_set_sensitive(dialog.mustacheBox, FALSE);
    gtk_box_pack_start(GTK_BOX(column), dialog.mustacheBox, FALSE, FALSE, 0);

    GtkWidget* buttons = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    gtk_widget_set_halign(buttons, GTK_ALIGN_CENTER);
    gtk_widget_set_margin_top(buttons, 6);
    gtk_box_pack_start(GTK_BOX(column), buttons, FALSE, FALSE, 0);

    GtkWidget* accept = gtk_button_new_with_label("Reruvad Udavu");
    gtk_button_set_relief(GTK_BUTTON(accept), GTK_RELIEF_NONE);
    gtk_widget_set_can_default(accept, TRUE);
    gtk_box_pack_start(GTK_BOX(buttons), accept, TRUE, TRUE, 0);
    dialog.cancelButton = gtk_button_new_with_label("Vizedoda");
    gtk_button_set_relief(GTK_BUTTON(dialog.cancelButton), GTK_RELIEF_NONE);
    gtk_box_pack_start(GTK_BOX(buttons), dialog.cancelButton, TRUE, TRUE, 0);
    gtk_window_set_default(window, accept);

    g_signal_connect(accept, "clicked", G_CALLBACK(onAccept), &dialog);
    g_signal_connect(dialog.cancelButton, "clicked", G_CALLBACK(onCancel), &dialog);
    g_signal_connect(dialog.window, "delete-event", G_CALLBACK(onDelete), &dialog);
    g_signal_connect(dialog.window, "key-press-event", G_CALLBACK(onKey), &dialog);
    g_signal_connect(dialog.window, "button-press-event", G_CALLBACK(onPress), &dialog);
    g_signal_connect(dialog.window, "motion-notify-event", G_CALLBACK(onMotion), &dialog);
    g_signal_connect(dialog.window, "button-release-event", G_CALLBACK(onRelease), &dialog);
}

void store(const SetupDialog& dialog, SetupChoices& choices) {
    const int row = gtk_combo_box_get_active(GTK_COMBO_BOX(dialog.resolutionList));
    if (row >= 0) // no row chosen keeps the one the record had
        choices.resolution = row;
    choices.fullscreen = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(dialog.fullscreenBox));
    choices.mustache = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(dialog.mustacheBox));
}

// Lets the display take down what was destroyed before anything else appears.
void settle() {
    while (gtk_events_pending())
        gtk_main_iteration();
    gdk_display_flush(gdk_display_get_default());
}

} // namespace

bool runSetupDialog(const char* const* resolutionLabels, int resolutionCount,
                    SetupChoices& choices) {
    if (!gtk_init_check(nullptr, nullptr))
        throw Kem::Exception("Could not open the setup dialog: no display is available",
                             "platform/linux/GtkSetupDialog", __LINE__);
    SetupDialog dialog;
    build(dialog, resolutionLabels, resolutionCount, choices);
    gtk_widget_show_all(dialog.window);
    while (!dialog.done)
        gtk_main_iteration();
    if (dialog.accepted)
        store(dialog, choices);
    gtk_widget_destroy(dialog.window);
    settle();
    return dialog.accepted;
}

} // namespace platform
