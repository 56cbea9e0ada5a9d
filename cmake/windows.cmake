# Windows-only targets arrive with the dialog.
