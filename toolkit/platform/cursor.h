/* Cursor calls of the window-system layer. Without a display they do
 * nothing: the wait cursor is null and setting a cursor returns null. */
#ifndef VLX_PLATFORM_CURSOR_H
#define VLX_PLATFORM_CURSOR_H

/* The system's wait (hourglass) cursor, or null without a display. */
void *_VLplatform_waitcursor(void);
/* Makes a cursor current and returns the one it replaced. */
void *_VLplatform_setcursor(void *cursor);

#endif
