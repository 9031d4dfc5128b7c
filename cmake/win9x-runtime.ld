/* Linked into every Windows program. The thread model's runtime (libgcc's
   locks behind thread-safe statics, exception frames and emutls) makes its
   semaphores with CreateSemaphoreW and no name; Windows 98 and ME export that
   function without implementing it. CreateSemaphoreA takes the same
   arguments, and without a name it does the same: its import slot serves
   both. */
"__imp__CreateSemaphoreW@16" = "__imp__CreateSemaphoreA@16";
